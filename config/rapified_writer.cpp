// The rapified writer: one pass over the tree, each class's body offsets filled in as its child
// bodies are written after its entry list.
#include "config/rapified_writer.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "config/rapified_format.h"
#include "pbo/little_endian.h"

namespace qp::config {
namespace {

// Seven bits a byte, the least significant group first; a set high bit means another follows.
void PutCompressed(std::string& out, std::size_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

void PutText(std::string& out, const std::string& text) {
    out.append(text);
    out.push_back('\0');
}

void PutArray(std::string& out, const Value& array);

void PutValue(std::string& out, const Value& value) {
    switch (value.type) {
        case ValueType::string:
        case ValueType::expression:
            PutText(out, value.text);
            break;
        case ValueType::float32:
            AppendLittle32(out, value.float_bits);
            break;
        case ValueType::int32:
            AppendLittle32(out, static_cast<std::uint32_t>(value.number));
            break;
        case ValueType::int64:
            AppendLittle32(out, static_cast<std::uint32_t>(value.number));
            AppendLittle32(
                out, static_cast<std::uint32_t>(static_cast<std::uint64_t>(value.number) >> 32));
            break;
        case ValueType::array:
            PutArray(out, value);
            break;
    }
}

// A count, then each element as its type byte and its value.
void PutArray(std::string& out, const Value& array) {
    PutCompressed(out, array.items.size());
    for (const Value& item : array.items) {
        out.push_back(static_cast<char>(item.type));
        PutValue(out, item);
    }
}

// The body's entry list, then the bodies of its child classes, each one's offset written into
// its class entry once the body's place is known.
void PutBody(std::string& out, const ClassBody& body) {
    PutText(out, body.parent);
    PutCompressed(out, body.entries.size());
    std::vector<std::size_t> offset_fields;
    for (const Entry& entry : body.entries) {
        out.push_back(static_cast<char>(entry.type));
        switch (entry.type) {
            case EntryType::class_body:
                PutText(out, entry.name);
                offset_fields.push_back(out.size());
                AppendLittle32(out, 0);
                break;
            case EntryType::value:
                out.push_back(static_cast<char>(entry.value.type));
                PutText(out, entry.name);
                PutValue(out, entry.value);
                break;
            case EntryType::array:
                PutText(out, entry.name);
                PutArray(out, entry.value);
                break;
            case EntryType::extern_class:
            case EntryType::delete_class:
                PutText(out, entry.name);
                break;
            case EntryType::array_append:
                AppendLittle32(out, kAppendFlags);
                PutText(out, entry.name);
                PutArray(out, entry.value);
                break;
        }
    }
    std::size_t next = 0;
    for (const Entry& entry : body.entries) {
        if (entry.type != EntryType::class_body) continue;
        StoreLittle32(static_cast<std::uint32_t>(out.size()),
                      reinterpret_cast<std::uint8_t*>(&out[offset_fields[next++]]));
        PutBody(out, entry.body);
    }
}

}  // namespace

std::string WriteRapified(const Config& config) {
    std::string out(kRapifiedMagic);
    AppendLittle32(out, kHeaderWordZero);
    AppendLittle32(out, kHeaderWordEight);
    AppendLittle32(out, 0);  // the enum table's offset, known at the end
    PutBody(out, config.root);
    // Every offset written is below the final size: a size that fits 32 bits means none wrapped.
    if (out.size() + 4 > std::numeric_limits<std::uint32_t>::max()) return {};
    StoreLittle32(static_cast<std::uint32_t>(out.size()),
                  reinterpret_cast<std::uint8_t*>(&out[12]));
    AppendLittle32(out, static_cast<std::uint32_t>(config.enums.size()));
    for (const EnumValue& value : config.enums) {
        PutText(out, value.name);
        AppendLittle32(out, static_cast<std::uint32_t>(value.value));
    }
    if (out.size() > std::numeric_limits<std::uint32_t>::max()) return {};
    return out;
}

}  // namespace qp::config
