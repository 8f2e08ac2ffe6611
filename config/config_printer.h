// A config tree printed as the text a modder reads and the parser reads back to the same tree.
#pragma once

#include <string>

#include "config/config_tree.h"

namespace qp::config {

// The text of `config` in the forms config_tree.h describes: four spaces of indentation, the
// enum table first when there is one, every entry on a line of its own and each array on one
// line. Names and strings are written as their bytes, whatever their encoding.
std::string PrintConfig(const Config& config);

}  // namespace qp::config
