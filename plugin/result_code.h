// Turning the outcome of an archive operation into the host's result code.
#pragma once

#include "pbo/outcome.h"

namespace qp {

int ResultCode(Outcome outcome);

}  // namespace qp
