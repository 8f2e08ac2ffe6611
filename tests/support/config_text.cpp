// In-memory include files and a one-line view of a config tree.
#include "support/config_text.h"

#include <cstdio>

#include "config/rapified_reader.h"
#include "config/text_parser.h"

namespace qp::test {
namespace {

using namespace config;

void PutValue(const Value& value, std::string& out) {
    char bits[16];
    switch (value.type) {
        case ValueType::string:
            out += "\"" + value.text + "\"";
            break;
        case ValueType::expression:
            out += "e\"" + value.text + "\"";
            break;
        case ValueType::int32:
            out.append("i").append(std::to_string(value.number));
            break;
        case ValueType::int64:
            out.append("l").append(std::to_string(value.number));
            break;
        case ValueType::float32:
            std::snprintf(bits, sizeof bits, "f0x%08x", static_cast<unsigned>(value.float_bits));
            out += bits;
            break;
        case ValueType::array:
            out += "{";
            for (std::size_t i = 0; i < value.items.size(); ++i) {
                if (i > 0) out += ",";
                PutValue(value.items[i], out);
            }
            out += "}";
            break;
    }
}

void PutBody(const ClassBody& body, std::string& out) {
    for (const Entry& entry : body.entries) {
        switch (entry.type) {
            case EntryType::class_body:
                out += "class " + entry.name + (entry.body.parent.empty() ? "" : ":") +
                       entry.body.parent + "{";
                PutBody(entry.body, out);
                out += "}";
                break;
            case EntryType::extern_class:
                out += "class " + entry.name + ";";
                break;
            case EntryType::delete_class:
                out += "delete " + entry.name + ";";
                break;
            case EntryType::value:
            case EntryType::array:
            case EntryType::array_append:
                out += entry.name + (entry.type == EntryType::value          ? "="
                                     : entry.type == EntryType::array_append ? "[]+="
                                                                             : "[]=");
                PutValue(entry.value, out);
                out += ";";
                break;
        }
    }
}

}  // namespace

config::ReadInclude MemoryFiles(const std::map<std::string, std::string>& files) {
    return [&files](const std::string& path, std::string& text, std::string&) {
        const auto found = files.find(path);
        if (found == files.end()) return IncludeRead::not_found;
        text = found->second;
        return IncludeRead::ok;
    };
}

bool RapifyFiles(const std::map<std::string, std::string>& files, const std::string& top,
                 std::string& bytes, std::string& error, const config::ExpansionLimits& limits) {
    PreprocessSettings settings;
    settings.include_folders.roots.push_back({"x\\mymod\\addons\\main", "mod"});
    settings.include_folders.folders.push_back("inc");
    settings.limits = limits;
    Preprocessed text;
    return Preprocess(top, files.at(top), MemoryFiles(files), settings, text, error) &&
           RapifyText(text, bytes, error);
}

bool ConfigFromFiles(const std::map<std::string, std::string>& files, const std::string& top,
                     config::Config& config, std::string& error,
                     const config::ExpansionLimits& limits) {
    config = {};
    std::string bytes;
    return RapifyFiles(files, top, bytes, error, limits) && ReadRapified(bytes, config, error);
}

std::string TreeText(const config::Config& config) {
    std::string out;
    if (!config.enums.empty()) {
        out += "enum{";
        for (const EnumValue& item : config.enums) {
            out += item.name + "=" + std::to_string(item.value) + ";";
        }
        out += "}";
    }
    PutBody(config.root, out);
    return out;
}

}  // namespace qp::test
