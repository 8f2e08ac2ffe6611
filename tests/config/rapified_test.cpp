// The rapified reader and writer: the hand-laid samples read to their trees and are written back
// to their bytes; damaged and hostile files are refused with the offset of what is wrong.
#include <gtest/gtest.h>

#include "config/config_printer.h"
#include "config/rapified_reader.h"
#include "config/rapified_writer.h"
#include "support/rapified_samples.h"

namespace qp::config {
namespace {

using test::ArrayEntry;
using test::ArrayValue;
using test::ClassEntry;
using test::Header;
using test::RapifiedSample;
using test::RapifiedSamples;
using test::Text;
using test::Word;

std::string ReadError(const std::string& bytes) {
    Config config;
    std::string error;
    return ReadRapified(bytes, config, error) ? "" : error;
}

// Every sample, and every file the tests write: read, written back and read again.
TEST(Rapified, SamplesReadToTheirTreesAndWriteBackToTheirBytes) {
    for (const RapifiedSample& sample : RapifiedSamples()) {
        SCOPED_TRACE(sample.name);
        EXPECT_TRUE(IsRapified(sample.bytes));
        Config config;
        std::string error;
        ASSERT_TRUE(ReadRapified(sample.bytes, config, error)) << error;
        EXPECT_EQ(config, sample.tree);
        const std::string written = WriteRapified(config);
        if (sample.writers_layout) {
            EXPECT_EQ(written, sample.bytes);
        }
        Config again;
        ASSERT_TRUE(ReadRapified(written, again, error)) << error;
        EXPECT_EQ(again, sample.tree);
        EXPECT_EQ(PrintConfig(config), sample.text);
    }
}

std::string Sample(const char* name) {
    for (const RapifiedSample& sample : RapifiedSamples()) {
        if (std::string(sample.name) == name) return sample.bytes;
    }
    return {};
}

std::string Patched(std::string bytes, std::size_t at, const std::string& replacement) {
    return bytes.replace(at, replacement.size(), replacement);
}

// Classes whose bodies start one byte apart in a run of zero bytes: each reads as an empty body,
// and together they take more bytes than the file holds.
std::string OverlappingBodies(int classes) {
    const int zeros = 16 + 2 + 6 * classes;
    std::string root = Text("") + static_cast<char>(classes);
    for (int i = 0; i < classes; ++i) root += '\0' + Text("") + Word(zeros + i);
    return Header(zeros + classes + 1) + root + std::string(classes + 1, '\0') + Word(0);
}

// Classes, or arrays, nested `depth` deep.
std::string Nested(int depth, bool arrays) {
    Config config;
    Entry entry = arrays ? ArrayEntry("a", {}) : ClassEntry("c", "", {});
    Value* array = &entry.value;
    ClassBody* body = &entry.body;
    for (int level = 1; level < depth; ++level) {
        array->items = {ArrayValue({})};
        array = &array->items[0];
        body->entries = {ClassEntry("c", "", {})};
        body = &body->entries[0].body;
    }
    config.root.entries = {entry};
    return WriteRapified(config);
}

TEST(Rapified, RefusesDamagedAndHostileFilesSayingWhereAndWhy) {
    const std::string classes = Sample("classes");  // A's body at 42, A1's at 52, enums at 57
    const std::string values = Sample("values");
    const std::string arrays = Sample("arrays");
    const struct {
        const char* label;
        std::string bytes;
        const char* error;  // empty: the file reads
    } cases[] = {
        {"another format", "PK\3\4 a zip", "not a rapified config"},
        {"header cut short", Header(0).substr(0, 10), "at offset 10: the header is cut short"},
        {"second word", Patched(classes, 4, Word(1)), "at offset 4: the header word is 1, not 0"},
        {"third word", Patched(classes, 8, Word(0)), "at offset 8: the header word is 0, not 8"},
        {"enum table past the end", Patched(classes, 12, Word(79)),
         "at offset 12: the enum table's offset 79 is outside the file (78 bytes)"},
        {"enum table in the header", Patched(classes, 12, Word(3)), "offset 3 is outside"},
        {"enum count", Patched(classes, 57, Word(1000)),
         "at offset 57: 1000 enum values cannot fit in the 17 bytes left"},
        {"body past the end", Patched(classes, 21, Word(78)),
         "at offset 21: the class body offset 78 is past the end of the file (78 bytes)"},
        {"body in the header", Patched(classes, 21, Word(15)),
         "at offset 21: the class body offset 15 is in the header"},
        {"body of the class itself", Patched(classes, 48, Word(42)),
         "at offset 48: the class body offset 42 is that of the class itself or of a class that "
         "holds it"},
        {"body of an ancestor", Patched(classes, 48, Word(16)), "body offset 16 is that of the"},
        {"body shared by two classes", Patched(classes, 28, Word(52)),
         "at offset 28: the class body offset 52 is already the body of another class"},
        {"bodies overlap", OverlappingBodies(30), "class bodies overlap"},
        {"classes 128 deep", Nested(128, false), ""},
        {"classes 129 deep", Nested(129, false), "classes nested deeper than 128"},
        {"arrays 128 deep", Nested(128, true), ""},
        {"arrays 129 deep", Nested(129, true), "arrays nested deeper than 128"},
        {"entry count", Header(22) + Text("") + "\xFF\xFF\xFF\xFF\x0F" + Word(0),
         "at offset 17: 4294967295 entries cannot fit in the 4 bytes left"},
        {"element count", Header(0) + Text("") + "\x01\x02" + Text("a") + "\xFF\xFF\x03" + Word(0),
         "at offset 21: 65535 array elements cannot fit in the 4 bytes left"},
        {"compressed count of 6 bytes",
         Header(0) + Text("") + std::string("\x80\x80\x80\x80\x80\0", 6),
         "at offset 17: the count of entries is a compressed integer longer than 5 bytes"},
        {"name without its NUL", Header(0) + Text("") + "\x01\x03" + "Ext",
         "at offset 19: a class name has no NUL before the end of the file"},
        {"entry type", Patched(classes, 32, "\x09"), "at offset 32: unknown entry type 9"},
        {"value type", Patched(values, 19, "\x05"), "at offset 19: unknown value type 5"},
        {"array as a value", Patched(values, 19, "\x03"),
         "at offset 19: unknown value type 3 for a value entry"},
        {"element type", Patched(arrays, 47, "\x07"), "at offset 47: unknown value type 7"},
        {"append flags", Patched(arrays, 82, Word(0)),
         "at offset 82: an append's flags word is 0, not 1"},
        {"root with a parent", Header(19) + Text("X") + '\0' + Word(0),
         "at offset 16: the root class has a parent"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string error = ReadError(c.bytes);
        if (*c.error == '\0') {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
    }
}

// A clean refusal that names an offset, or a tree that writes back and reads back the same.
bool ExpectRefusedOrWhole(const std::string& bytes, Config& config) {
    std::string error;
    if (!ReadRapified(bytes, config, error)) {
        EXPECT_TRUE(bytes.size() < 4 || error.rfind("at offset ", 0) == 0) << error;
        return false;
    }
    Config again;
    EXPECT_TRUE(ReadRapified(WriteRapified(config), again, error)) << error;
    EXPECT_EQ(again, config);
    return true;
}

// Each sample cut at every length (refused, where the writers' layout puts the enum table last;
// or its own tree, where only bytes after its last body are gone), and with each byte changed.
TEST(Rapified, CutAndCorruptedSamplesAreRefusedOrReadWhole) {
    for (const RapifiedSample& sample : RapifiedSamples()) {
        SCOPED_TRACE(sample.name);
        for (std::size_t length = 0; length < sample.bytes.size(); ++length) {
            Config config;
            if (ExpectRefusedOrWhole(sample.bytes.substr(0, length), config)) {
                EXPECT_FALSE(sample.writers_layout) << "cut at " << length << " reads";
                EXPECT_EQ(config, sample.tree);
            }
        }
        for (std::size_t at = 4; at < sample.bytes.size(); ++at) {
            for (const int change : {0xFF, 0x80, 0x01}) {
                SCOPED_TRACE("byte " + std::to_string(at) + " ^ " + std::to_string(change));
                std::string bytes = sample.bytes;
                bytes[at] = static_cast<char>(bytes[at] ^ change);
                Config config;
                ExpectRefusedOrWhole(bytes, config);
            }
        }
    }
}

}  // namespace
}  // namespace qp::config
