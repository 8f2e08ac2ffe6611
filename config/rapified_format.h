// The fixed parts of a rapified config: its magic, its header and the limits its reader keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qp::config {

// "\0raP", the first four bytes of every rapified file.
inline constexpr std::string_view kRapifiedMagic{"\0raP", 4};
// The magic, a word that is always 0, a word that is always 8, and where the enum table starts.
inline constexpr std::size_t kRapifiedHeaderSize = 16;
inline constexpr std::uint32_t kHeaderWordZero = 0;
inline constexpr std::uint32_t kHeaderWordEight = 8;
// The root class's body follows the header.
inline constexpr std::uint32_t kRootBodyOffset = 16;
// The flags word of an array append: 1 means append.
inline constexpr std::uint32_t kAppendFlags = 1;

// Classes within classes, and arrays within arrays, at most this deep.
inline constexpr int kMaxNesting = 128;

}  // namespace qp::config
