// The host program's numbers in words: result codes and capability flags, for a person to read.
#pragma once

#include <string>

namespace qp::host {

// "E_END_ARCHIVE, the end of the archive" for 10; "success" for 0.
std::string ResultText(int result);
// "new, modify, multiple, delete, options" for 31.
std::string CapabilitiesText(int caps);

}  // namespace qp::host
