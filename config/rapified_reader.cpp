// The rapified reader: a cursor that checks every read against the end of the file, and a walk of
// the class bodies that refuses any offset it cannot safely follow.
#include "config/rapified_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config/rapified_format.h"
#include "pbo/little_endian.h"

namespace qp::config {
namespace {

// The fewest bytes each item of a count can take: an entry is a type byte and at least an empty
// name; an array element a type byte and at least an empty string; an enum value an empty name
// and its 32-bit number.
constexpr std::size_t kLeastEntry = 2;
constexpr std::size_t kLeastElement = 2;
constexpr std::size_t kLeastEnumValue = 5;
constexpr int kLongestCompressed = 5;  // 35 bits: room for any 32-bit count

struct Reader {
    std::string_view bytes;
    std::size_t at = 0;
    std::string error;
    std::vector<std::uint32_t> open_bodies;  // of the classes being read: the ancestors
    std::vector<bool> body_starts;           // of every class read so far, by offset
    std::uint64_t body_bytes = 0;            // the entry lists read so far, together
};

// A class entry whose body is read once its own body's entry list is whole.
struct ChildBody {
    std::size_t entry;
    std::uint32_t offset;
    std::size_t offset_at;  // where the offset stands, for messages
};

bool Refuse(Reader& r, std::size_t at, const std::string& what) {
    r.error = "at offset " + std::to_string(at) + ": " + what;
    return false;
}

std::size_t Left(const Reader& r) {
    return r.bytes.size() - r.at;
}

bool CutShort(Reader& r, const char* what) {
    return Refuse(r, r.at, std::string(what) + " is cut short by the end of the file");
}

bool ReadByte(Reader& r, std::uint8_t& value, const char* what) {
    if (Left(r) < 1) return CutShort(r, what);
    value = static_cast<std::uint8_t>(r.bytes[r.at++]);
    return true;
}

bool ReadWord(Reader& r, std::uint32_t& value, const char* what) {
    if (Left(r) < 4) return CutShort(r, what);
    value = LoadLittle32(r.bytes, r.at);
    r.at += 4;
    return true;
}

bool ReadText(Reader& r, std::string& text, const char* what) {
    const char* start = r.bytes.data() + r.at;
    const void* nul = std::memchr(start, 0, Left(r));
    if (nul == nullptr) {
        return Refuse(r, r.at, std::string(what) + " has no NUL before the end of the file");
    }
    const auto length = static_cast<std::size_t>(static_cast<const char*>(nul) - start);
    text.assign(start, length);
    r.at += length + 1;
    return true;
}

// A compressed count of items that take at least `least` bytes each: one the bytes left cannot
// hold is refused before anything is reserved for it.
bool ReadCount(Reader& r, std::size_t least, std::size_t& count, const char* what) {
    const std::size_t start = r.at;
    std::uint64_t value = 0;
    for (int i = 0;; ++i) {
        if (i == kLongestCompressed) {
            return Refuse(r, start,
                          std::string("the count of ") + what +
                              " is a compressed integer longer than 5 bytes");
        }
        std::uint8_t byte = 0;
        if (!ReadByte(r, byte, "a count")) return false;
        value |= static_cast<std::uint64_t>(byte & 0x7F) << (7 * i);
        if ((byte & 0x80) == 0) break;
    }
    if (value > Left(r) / least) {
        return Refuse(r, start,
                      std::to_string(value) + " " + what + " cannot fit in the " +
                          std::to_string(Left(r)) + " bytes left");
    }
    count = static_cast<std::size_t>(value);
    return true;
}

bool ReadArray(Reader& r, Value& array, int depth);

// A value of the type whose byte stands at `type_at`.
bool ReadValue(Reader& r, std::size_t type_at, Value& value, int depth) {
    const auto type = static_cast<std::uint8_t>(r.bytes[type_at]);
    value.type = static_cast<ValueType>(type);
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    switch (value.type) {
        case ValueType::string:
        case ValueType::expression:
            return ReadText(r, value.text, "a string");
        case ValueType::float32:
            return ReadWord(r, value.float_bits, "a float");
        case ValueType::int32:
            if (!ReadWord(r, low, "an int")) return false;
            value.number = static_cast<std::int32_t>(low);
            return true;
        case ValueType::int64:
            if (!ReadWord(r, low, "an int64") || !ReadWord(r, high, "an int64")) return false;
            value.number = static_cast<std::int64_t>(static_cast<std::uint64_t>(high) << 32 | low);
            return true;
        case ValueType::array:
            return ReadArray(r, value, depth + 1);
    }
    return Refuse(r, type_at, "unknown value type " + std::to_string(type));
}

bool ReadArray(Reader& r, Value& array, int depth) {
    if (depth > kMaxNesting) {
        return Refuse(r, r.at, "arrays nested deeper than " + std::to_string(kMaxNesting));
    }
    array.type = ValueType::array;
    std::size_t count = 0;
    if (!ReadCount(r, kLeastElement, count, "array elements")) return false;
    array.items.resize(count);
    for (Value& item : array.items) {
        const std::size_t type_at = r.at;
        std::uint8_t type = 0;
        if (!ReadByte(r, type, "an array element") || !ReadValue(r, type_at, item, depth)) {
            return false;
        }
    }
    return true;
}

bool ReadEntry(Reader& r, std::size_t index, Entry& entry, std::vector<ChildBody>& children) {
    const std::size_t type_at = r.at;
    std::uint8_t type = 0;
    if (!ReadByte(r, type, "an entry")) return false;
    entry.type = static_cast<EntryType>(type);
    std::uint32_t word = 0;
    switch (entry.type) {
        case EntryType::class_body:
            if (!ReadText(r, entry.name, "a class name")) return false;
            children.push_back({index, 0, r.at});
            return ReadWord(r, children.back().offset, "a class's body offset");
        case EntryType::value: {
            const std::size_t subtype_at = r.at;
            if (!ReadByte(r, type, "a value") || !ReadText(r, entry.name, "a name")) return false;
            // A value entry holds one value; arrays have entries of their own.
            if (type == static_cast<std::uint8_t>(ValueType::array)) {
                return Refuse(r, subtype_at, "unknown value type 3 for a value entry");
            }
            return ReadValue(r, subtype_at, entry.value, 0);
        }
        case EntryType::array:
            return ReadText(r, entry.name, "a name") && ReadArray(r, entry.value, 1);
        case EntryType::extern_class:
        case EntryType::delete_class:
            return ReadText(r, entry.name, "a class name");
        case EntryType::array_append:
            if (!ReadWord(r, word, "an append's flags")) return false;
            if (word != kAppendFlags) {
                return Refuse(r, r.at - 4,
                              "an append's flags word is " + std::to_string(word) + ", not 1");
            }
            return ReadText(r, entry.name, "a name") && ReadArray(r, entry.value, 1);
    }
    return Refuse(r, type_at, "unknown entry type " + std::to_string(type));
}

// Whether a child class's body may be read: inside the file, not an ancestor's nor one read
// before, and not too deep.
bool ChildBodyFollows(Reader& r, const ChildBody& child, int depth) {
    const std::string offset = "the class body offset " + std::to_string(child.offset);
    if (child.offset < kRootBodyOffset)
        return Refuse(r, child.offset_at, offset + " is in the header");
    if (child.offset >= r.bytes.size()) {
        return Refuse(
            r, child.offset_at,
            offset + " is past the end of the file (" + std::to_string(r.bytes.size()) + " bytes)");
    }
    const auto& open = r.open_bodies;
    if (std::find(open.begin(), open.end(), child.offset) != open.end()) {
        return Refuse(r, child.offset_at,
                      offset + " is that of the class itself or of a class that holds it");
    }
    if (r.body_starts[child.offset]) {
        return Refuse(r, child.offset_at, offset + " is already the body of another class");
    }
    r.body_starts[child.offset] = true;
    if (depth > kMaxNesting) {
        return Refuse(r, child.offset_at,
                      "classes nested deeper than " + std::to_string(kMaxNesting));
    }
    return true;
}

// The body at `offset`: its entry list, then the bodies of its child classes.
bool ReadBody(Reader& r, std::uint32_t offset, int depth, ClassBody& body) {
    r.at = offset;
    std::size_t count = 0;
    if (!ReadText(r, body.parent, "a parent's name") ||
        !ReadCount(r, kLeastEntry, count, "entries")) {
        return false;
    }
    body.entries.resize(count);
    std::vector<ChildBody> children;
    for (std::size_t i = 0; i < count; ++i) {
        if (!ReadEntry(r, i, body.entries[i], children)) return false;
    }
    // Bodies that share bytes could each be read again through the others: refused once they
    // are longer together than the file, which keeps the work proportional to its size.
    r.body_bytes += r.at - offset;
    if (r.body_bytes > r.bytes.size()) {
        return Refuse(r, offset, "class bodies overlap: together they are longer than the file");
    }
    r.open_bodies.push_back(offset);
    for (const ChildBody& child : children) {
        if (!ChildBodyFollows(r, child, depth + 1) ||
            !ReadBody(r, child.offset, depth + 1, body.entries[child.entry].body)) {
            return false;
        }
    }
    r.open_bodies.pop_back();
    return true;
}

bool ReadEnumTable(Reader& r, std::uint32_t offset, std::vector<EnumValue>& enums) {
    if (offset < kRapifiedHeaderSize || offset > r.bytes.size()) {
        return Refuse(r, 12,
                      "the enum table's offset " + std::to_string(offset) +
                          " is outside the file (" + std::to_string(r.bytes.size()) + " bytes)");
    }
    r.at = offset;
    std::uint32_t count = 0;
    if (!ReadWord(r, count, "the enum table's count")) return false;
    if (count > Left(r) / kLeastEnumValue) {
        return Refuse(r, offset,
                      std::to_string(count) + " enum values cannot fit in the " +
                          std::to_string(Left(r)) + " bytes left");
    }
    enums.resize(count);
    for (EnumValue& value : enums) {
        std::uint32_t number = 0;
        if (!ReadText(r, value.name, "an enum name") || !ReadWord(r, number, "an enum value")) {
            return false;
        }
        value.value = static_cast<std::int32_t>(number);
    }
    return true;
}

bool ReadHeaderWord(Reader& r, std::size_t at, std::uint32_t expected) {
    const std::uint32_t word = LoadLittle32(r.bytes, at);
    if (word == expected) return true;
    return Refuse(
        r, at, "the header word is " + std::to_string(word) + ", not " + std::to_string(expected));
}

}  // namespace

bool IsRapified(std::string_view bytes) {
    return bytes.substr(0, kRapifiedMagic.size()) == kRapifiedMagic;
}

bool ReadRapified(std::string_view bytes, Config& config, std::string& error) {
    config = {};
    Reader r;
    r.bytes = bytes;
    bool read = false;
    if (!IsRapified(bytes)) {
        r.error = "not a rapified config";
    } else if (bytes.size() < kRapifiedHeaderSize) {
        r.at = bytes.size();
        CutShort(r, "the header");
    } else if (ReadHeaderWord(r, 4, kHeaderWordZero) && ReadHeaderWord(r, 8, kHeaderWordEight)) {
        r.body_starts.assign(bytes.size() + 1, false);
        r.body_starts[kRootBodyOffset] = true;
        read = ReadBody(r, kRootBodyOffset, 0, config.root) &&
               (config.root.parent.empty() ||
                Refuse(r, kRootBodyOffset, "the root class has a parent")) &&
               ReadEnumTable(r, LoadLittle32(bytes, 12), config.enums);
    }
    if (!read) error = r.error;
    return read;
}

}  // namespace qp::config
