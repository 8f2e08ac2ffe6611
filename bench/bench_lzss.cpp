// Benchmark: LZSS decoding speed against zlib inflate on 64 MiB of mixed text and binary data,
// whole-buffer and streamed through the fixed 64 KiB blocks extraction uses.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pbo/lzss.h"
#include "pbo/lzss_stream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kDataSize = 64u << 20;

// Config-like text (the bulk of mission and addon PBOs) interleaved with binary blocks that
// mix noise, slowly varying values and copies of recent data, like models and textures.
Bytes MakeData() {
    std::mt19937 rng(2024);
    static const char* const kNames[] = {"scope",   "model",        "displayName", "armor",  "mass",
                                         "picture", "vehicleClass", "side",        "weapons"};
    Bytes data;
    data.reserve(kDataSize + 65536);
    auto append = [&](const std::string& s) { data.insert(data.end(), s.begin(), s.end()); };
    while (data.size() < kDataSize) {
        for (auto lines = rng() % 200 + 20; lines > 0; --lines) {
            const char* name = kNames[rng() % std::size(kNames)];
            append("\tclass Item_" + std::to_string(rng() % 400) + " {\n\t\t" + name + " = ");
            if (rng() % 2) {
                append("\"\\ca\\data\\" + std::to_string(rng() % 1000) + ".p3d\";\n\t};\n");
            } else {
                append(std::to_string(rng() % 100000) + ";\n\t};\n");
            }
        }
        const std::size_t blockSize = rng() % 32768 + 1024;
        std::uint8_t value = static_cast<std::uint8_t>(rng());
        for (std::size_t i = 0; i < blockSize; ++i) {
            switch (rng() % 4) {
                case 0:
                    data.push_back(static_cast<std::uint8_t>(rng()));
                    break;
                case 1:
                    value = static_cast<std::uint8_t>(value + rng() % 3);
                    [[fallthrough]];
                case 2:
                    data.push_back(value);
                    break;
                default: {
                    const std::size_t distance = rng() % 4000 + 1;
                    const std::size_t length = rng() % 24 + 3;
                    for (std::size_t k = 0; k < length && distance <= data.size(); ++k) {
                        data.push_back(data[data.size() - distance]);
                    }
                }
            }
        }
    }
    data.resize(kDataSize);
    return data;
}

// Greedy LZSS encoder with 3-byte hash chains, bounded in depth so 64 MiB takes seconds.
Bytes LzssEncode(const Bytes& data) {
    constexpr std::size_t kWindow = 4096, kMaxLength = 18, kMaxDepth = 32;
    constexpr std::uint32_t kHashBits = 15, kNone = 0xFFFFFFFF;
    std::vector<std::uint32_t> head(1u << kHashBits, kNone);
    std::vector<std::uint32_t> prev(kWindow, kNone);
    const std::size_t n = data.size();
    auto hash = [&](std::size_t p) {
        const std::uint32_t v = data[p] | (data[p + 1] << 8) | (data[p + 2] << 16);
        return (v * 2654435761u) >> (32 - kHashBits);
    };
    auto insert = [&](std::size_t p) {
        if (p + 3 > n) return;
        const std::uint32_t h = hash(p);
        prev[p % kWindow] = head[h];
        head[h] = static_cast<std::uint32_t>(p);
    };
    Bytes out;
    out.reserve(n + n / 8 + 16);
    std::size_t flagAt = 0;
    unsigned item = 0;
    for (std::size_t pos = 0; pos < n;) {
        if (item % 8 == 0) {
            flagAt = out.size();
            out.push_back(0);
        }
        std::size_t bestLength = 0, bestDistance = 0;
        if (pos + 3 <= n) {
            const std::size_t limit = std::min(kMaxLength, n - pos);
            std::uint32_t candidate = head[hash(pos)];
            for (std::size_t depth = 0; depth < kMaxDepth && candidate != kNone; ++depth) {
                const std::size_t distance = pos - candidate;
                if (distance > kWindow) break;
                std::size_t length = 0;
                while (length < limit && data[candidate + length] == data[pos + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                    if (length == limit) break;
                }
                const std::uint32_t next = prev[candidate % kWindow];
                if (next == kNone || next >= candidate) break;  // slot reused by a newer position
                candidate = next;
            }
        }
        if (bestLength >= 3) {
            const std::size_t offset = bestDistance % kWindow;  // 4096 back is stored as 0
            out.push_back(static_cast<std::uint8_t>(offset & 0xFF));
            out.push_back(static_cast<std::uint8_t>(((offset >> 4) & 0xF0) | (bestLength - 3)));
            for (std::size_t k = 0; k < bestLength; ++k) insert(pos + k);
            pos += bestLength;
        } else {
            out[flagAt] = static_cast<std::uint8_t>(out[flagAt] | (1u << (item % 8)));
            out.push_back(data[pos]);
            insert(pos++);
        }
        ++item;
    }
    return out;
}

// Decodes as extraction does: 64 KiB of packed input at a time into a 64 KiB block, each block
// copied out (where extraction writes it to the file).
void StreamDecode(const Bytes& packed, Bytes& output) {
    constexpr std::uint32_t kBlock = 64 * 1024;
    static qp::LzssStream stream;
    static std::uint8_t block[kBlock];
    qp::StartLzssStream(stream, packed.size(), output.size());
    std::size_t in = 0;
    std::size_t out = 0;
    while (!stream.ended) {
        const auto piece =
            static_cast<std::uint32_t>(std::min<std::size_t>(kBlock, packed.size() - in));
        const qp::LzssStep step =
            qp::LzssDecodeStep(stream, packed.data() + in, piece, block, kBlock);
        std::copy(block, block + step.produced, output.begin() + static_cast<std::ptrdiff_t>(out));
        in += step.consumed;
        out += step.produced;
    }
}

double BestSeconds(const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main() {
    const Bytes data = MakeData();
    const auto encodeStart = std::chrono::steady_clock::now();
    const Bytes lzss = LzssEncode(data);
    const std::chrono::duration<double> encodeTime = std::chrono::steady_clock::now() - encodeStart;

    uLongf zlibSize = compressBound(static_cast<uLong>(data.size()));
    Bytes zlib(zlibSize);
    if (compress2(zlib.data(), &zlibSize, data.data(), static_cast<uLong>(data.size()), 6) !=
        Z_OK) {
        std::fprintf(stderr, "error: zlib compress failed\n");
        return 1;
    }
    zlib.resize(zlibSize);

    Bytes output(data.size());
    const double lzssTime = BestSeconds([&] {
        qp::LzssDecode(lzss.data(), output.data(), static_cast<std::int32_t>(lzss.size()),
                       static_cast<std::int32_t>(output.size()));
    });
    if (output != data) {
        std::fprintf(stderr, "error: lzss decode does not reproduce the data\n");
        return 1;
    }

    std::fill(output.begin(), output.end(), 0);
    const double streamTime = BestSeconds([&] { StreamDecode(lzss, output); });
    if (output != data) {
        std::fprintf(stderr, "error: streamed lzss decode does not reproduce the data\n");
        return 1;
    }

    std::fill(output.begin(), output.end(), 0);
    int zlibResult = Z_OK;
    const double zlibTime = BestSeconds([&] {
        uLongf size = static_cast<uLongf>(output.size());
        zlibResult = uncompress(output.data(), &size, zlib.data(), static_cast<uLong>(zlib.size()));
    });
    if (zlibResult != Z_OK || output != data) {
        std::fprintf(stderr, "error: zlib inflate does not reproduce the data\n");
        return 1;
    }

    const auto original = static_cast<double>(data.size());
    std::printf("data: %zu bytes (lzss encode took %.2f s)\n", data.size(), encodeTime.count());
    std::printf("lzss ratio: %.3f (%zu bytes)\n", static_cast<double>(lzss.size()) / original,
                lzss.size());
    std::printf("zlib ratio: %.3f (%zu bytes, level 6)\n",
                static_cast<double>(zlib.size()) / original, zlib.size());
    std::printf("lzss decode: %.0f MB/s (whole buffer)\n", original / 1e6 / lzssTime);
    std::printf("lzss decode: %.0f MB/s (streamed in 64 KiB blocks, as extraction does)\n",
                original / 1e6 / streamTime);
    std::printf("zlib inflate: %.0f MB/s\n", original / 1e6 / zlibTime);
    return 0;
}
