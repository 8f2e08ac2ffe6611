// Numbers as archives, keys and signatures store them: 32 bits, the least significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

inline std::uint32_t LoadLittle32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The number at byte `at` of `bytes`, which holds at least 4 bytes from there.
inline std::uint32_t LoadLittle32(std::string_view bytes, std::size_t at) {
    return LoadLittle32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
}

inline void StoreLittle32(std::uint32_t value, std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One append of the four bytes: writers of many small numbers (rapified configs) call it often.
inline void AppendLittle32(std::string& bytes, std::uint32_t value) {
    char word[4];
    StoreLittle32(value, reinterpret_cast<std::uint8_t*>(word));
    bytes.append(word, sizeof word);
}

}  // namespace qp
