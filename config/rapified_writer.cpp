// The rapified writer: a walk of the tree in the order of its entries, through the builder that
// lays the bodies out.
#include "config/rapified_writer.h"

#include "config/rapified_builder.h"
#include "config/rapified_format.h"
#include "pbo/little_endian.h"

namespace qp::config {
namespace {

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
            PutInt64(out, value.number);
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

void PutEntries(RapifiedBuilder& builder, const ClassBody& body) {
    for (const Entry& entry : body.entries) {
        if (entry.type == EntryType::class_body) {
            OpenClass(builder, entry.name, entry.body.parent);
            PutEntries(builder, entry.body);
            CloseClass(builder);
            continue;
        }
        std::string& out = StartEntry(builder, entry.type);
        switch (entry.type) {
            case EntryType::value:
                out.push_back(static_cast<char>(entry.value.type));
                PutText(out, entry.name);
                PutValue(out, entry.value);
                break;
            case EntryType::array:
                PutText(out, entry.name);
                PutArray(out, entry.value);
                break;
            case EntryType::array_append:
                AppendLittle32(out, kAppendFlags);
                PutText(out, entry.name);
                PutArray(out, entry.value);
                break;
            case EntryType::extern_class:
            case EntryType::delete_class:
            case EntryType::class_body:  // opened above
                PutText(out, entry.name);
                break;
        }
    }
}

}  // namespace

std::string WriteRapified(const Config& config) {
    RapifiedBuilder builder;
    StartRapified(builder, config.root.parent);
    PutEntries(builder, config.root);
    for (const EnumValue& value : config.enums) AddEnumValue(builder, value.name, value.value);
    std::string bytes;
    if (!FinishRapified(builder, bytes)) return {};
    return bytes;
}

}  // namespace qp::config
