// Reading the key/value strings of an archive's header extension.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"

namespace qp {

using ExtensionPairs = std::vector<std::pair<std::string, std::string>>;

// Reads the pairs from the start of the file (the position changes). An archive whose first name
// is not empty has no extension and gives no pairs; a key without a value gets an empty one.
ExtensionPairs ReadHeaderExtension(FileHandle file);

}  // namespace qp
