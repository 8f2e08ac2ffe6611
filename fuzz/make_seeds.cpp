// Writes the seed corpora of the fuzz targets, from archives made by the test archive builder.
// Usage: make_fuzz_seeds CORPUS_DIR   (fills CORPUS_DIR/lzss, CORPUS_DIR/listing, .../delete_map,
// .../config_text, .../rapified)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/archive_builder.h"
#include "support/rapified_samples.h"

using namespace qp::test;

namespace {

constexpr std::uint32_t kCompressed = 0x43707273;

// A greedy LZSS encoder, enough to give the decoder real streams to start from.
std::string Compress(const std::string& text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t flag_at = out.size();
        out.push_back('\0');
        unsigned flags = 0;
        for (int item = 0; item < 8 && pos < text.size(); ++item) {
            std::size_t best = 0;
            std::size_t distance = 0;
            for (std::size_t back = 1; back <= std::min<std::size_t>(pos, 4095); ++back) {
                std::size_t length = 0;
                while (length < 18 && pos + length < text.size() &&
                       text[pos + length - back] == text[pos + length]) {
                    ++length;
                }
                if (length > best) {
                    best = length;
                    distance = back;
                }
            }
            if (best >= 3) {
                out.push_back(static_cast<char>(distance & 0xFF));
                out.push_back(static_cast<char>(((distance >> 4) & 0xF0) | (best - 3)));
                pos += best;
            } else {
                flags |= 1u << item;
                out.push_back(text[pos++]);
            }
        }
        out[flag_at] = static_cast<char>(flags);
    }
    return out;
}

TestEntry CompressedEntry(const std::string& name, const std::string& text) {
    return {name, Compress(text), kCompressed, static_cast<std::uint32_t>(text.size())};
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The decoder's seeds: output length (2 bytes), how the input length is passed, the stream.
std::string LzssSeed(std::size_t output_length, int mode, const std::string& stream) {
    std::string seed{static_cast<char>(output_length & 0xFF),
                     static_cast<char>((output_length >> 8) & 0x7F), static_cast<char>(mode)};
    return seed + stream;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_DIR\n");
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    const std::string text =
        "class CfgPatches { class addon { units[] = {}; }; };\n"
        "class CfgPatches { class addon { weapons[] = {}; }; };\n";

    Write(corpus / "lzss" / "text", LzssSeed(text.size(), 0, Compress(text)));
    Write(corpus / "lzss" / "text_no_input_limit", LzssSeed(text.size(), 1, Compress(text)));
    Write(corpus / "lzss" / "window_corners",
          LzssSeed(4200, 0, Compress(std::string(300, ' ') + ContentFor("x", 3800) + text)));
    Write(corpus / "lzss" / "eight_literals", LzssSeed(8, 0,
                                                       "\xFF"
                                                       "ABCDEFGH"));
    Write(corpus / "lzss" / "overlapping_copy", LzssSeed(6, 0,
                                                         std::string("\x03"
                                                                     "AB\x02\x01",
                                                                     5)));
    Write(corpus / "lzss" / "starts_with_spaces", LzssSeed(3, 0, std::string("\x00\x05\x00", 3)));

    TestArchive mixed =
        ArchiveWith({{"config.cpp", 40}, {"data\\icon.paa", 300}, {"data\\empty.txt", 0}});
    mixed.entries.push_back(CompressedEntry("scripts\\init.sqf", text));
    TestArchive plain = ArchiveWith({{"mission.sqm", 52}, {"init.sqf", 12}});
    plain.extension = false;
    plain.trailer = false;
    TestArchive duplicates = ArchiveWith({{"a", 10}, {"b", 5}, {"a", 7}});
    duplicates.extension_strings = {"product", "OFP: Resistance", "version", "1"};
    TestArchive empty = ArchiveWith({});

    const std::pair<const char*, const TestArchive*> archives[] = {{"mixed.pbo", &mixed},
                                                                   {"plain.pbo", &plain},
                                                                   {"duplicates.pbo", &duplicates},
                                                                   {"empty.pbo", &empty}};
    for (const auto& [name, archive] : archives) {
        const std::string bytes = BuildArchive(*archive);
        Write(corpus / "listing" / name, bytes);
        // Delete the first and third entries, with a folder item and an unknown name.
        Write(corpus / "delete_map" / name, std::string("\x05\x06", 2) + bytes);
    }
    Write(corpus / "delete_map" / "plain_all.pbo",
          std::string("\x03\x00", 2) + BuildArchive(plain));

    // Hostile headers: data sizes whose sum wraps past 4 GiB back to the first entry's data, a
    // compressed entry that claims 2 GiB - 1 from a few bytes, a name too long to read whole.
    std::string wraps = BuildArchive(ArchiveWith({{"a", 6}, {"wraps", 6}, {"third", 6}}));
    wraps.replace(wraps.find("wraps") + 6 + 16, 4, std::string("\xFA\xFF\xFF\xFF", 4));
    Write(corpus / "listing" / "sizes_wrap_past_4gib", wraps);
    TestArchive bomb = ArchiveWith({});
    bomb.entries.push_back(CompressedEntry("bomb", "abcabcabc"));
    bomb.entries.back().original_size = 0x7FFFFFFF;
    Write(corpus / "listing" / "declares_2gib", BuildArchive(bomb));
    Write(corpus / "listing" / "name_too_long",
          BuildArchive(ArchiveWith({{"a", 3}, {std::string(1023, 'n'), 2}, {"b", 1}})));

    // Text configs: the top file, then each include (a.hpp, b.hpp, ...), NUL between them.
    const std::pair<const char*, std::vector<std::string>> config_seeds[] = {
        {"forms",
         {"class A: B { x = 1; y[] = {1.5, \"s\", {w}}; z[] += {0x1F}; };\n"
          "class C; delete D; enum { E = 1 }; i = __int64(5); f = __float32(0x7fc00000);\n"
          "e = __expression(\"a \"\"b\"\"\"); t = \"a\" \\n \"b\";\n"}},
        {"macros",
         {"#include \"\\x\\mymod\\addons\\main\\a.hpp\"\n"
          "#define COMPONENT main\nclass ADDON { n = QUOTE(GVAR(x)); };\nM(y)\n"
          "#ifdef A\n#else\n m = __LINE__; /* c */ // d\n#endif\n",
          "#define PREFIX p\n#define DOUBLES(a,b) a##_##b\n"
          "#define ADDON DOUBLES(PREFIX,COMPONENT)\n#define QUOTE(x) #x\n"
          "#define GVAR(x) DOUBLES(ADDON,x)\n#define M(a) class a {\\\n};\n"}},
        {"recursion", {"#define A B\n#define B A\nA\n"}},
        {"cycle", {"#include \"a.hpp\"\n", "#include \"b.hpp\"\n", "#include \"a.hpp\"\n"}},
    };
    for (const auto& [name, files] : config_seeds) {
        std::string joined;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (i > 0) joined.push_back('\0');
            joined += files[i];
        }
        Write(corpus / "config_text" / name, joined);
    // The rapified configs laid out by hand for the tests.
    for (const RapifiedSample& sample : RapifiedSamples()) {
        Write(corpus / "rapified" / sample.name, sample.bytes);
    }
    return 0;
}
