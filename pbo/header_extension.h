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
// `whole`, when given, tells whether the pairs were read up to the empty string that ends them (or
// there is no extension): false when a read failed, the file ended or a string was too long first.
ExtensionPairs ReadHeaderExtension(FileHandle file, bool* whole = nullptr);

}  // namespace qp
