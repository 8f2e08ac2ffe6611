// The greedy encoder: at each position the longest match within the last 4096 bytes, or a literal.
#include "support/lzss_encoder.h"

#include <algorithm>

namespace qp::test {

std::string LzssEncode(std::string_view data) {
    std::string stream;
    std::size_t flag_at = 0;
    int item = 0;
    for (std::size_t pos = 0; pos < data.size(); ++item) {
        if (item % 8 == 0) {
            flag_at = stream.size();
            stream.push_back('\0');
        }
        std::size_t best_length = 0;
        std::size_t best_distance = 0;
        for (std::size_t distance = 1; distance <= std::min<std::size_t>(pos, 4096); ++distance) {
            std::size_t length = 0;
            while (length < 18 && pos + length < data.size() &&
                   data[pos + length] == data[pos + length - distance]) {
                ++length;
            }
            if (length > best_length) {
                best_length = length;
                best_distance = distance;
            }
        }
        if (best_length >= 3) {
            // A distance of 4096 is offset 0: a whole window back.
            const std::size_t offset = best_distance % 4096;
            stream.push_back(static_cast<char>(offset & 0xFF));
            stream.push_back(static_cast<char>(((offset >> 4) & 0xF0) | (best_length - 3)));
            pos += best_length;
        } else {
            stream[flag_at] = static_cast<char>(stream[flag_at] | (1 << (item % 8)));
            stream.push_back(data[pos++]);
        }
    }
    return stream;
}

}  // namespace qp::test
