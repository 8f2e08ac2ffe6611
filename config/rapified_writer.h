// Writing a config tree in its rapified (binary) form, laid out as the game's tools lay it out.
#pragma once

#include <string>

#include "config/config_tree.h"

namespace qp::config {

// The rapified bytes of `config`: the 16-byte header, the root body at 16, then for each class
// its whole entry list followed by the bodies of its child classes one after another, depth
// first; the enum table last (a count of 0 when it is empty). An int32 value is written as the
// low 32 bits of its number; an entry of type `value` holds no array. Empty when the bytes would
// pass 4 GiB, which the format's 32-bit offsets cannot address.
std::string WriteRapified(const Config& config);

}  // namespace qp::config
