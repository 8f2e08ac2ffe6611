// Writing the server's check as JSON: strings escaped as the listing escapes them.
#include "cli/server_check_json.h"

#include <string>

#include "cli/name_text.h"
#include "cli/output.h"

namespace qp::cli {
namespace {

const char* ResultName(ServerResult result) {
    switch (result) {
        case ServerResult::accepted:
            return "accepted";
        case ServerResult::unsigned_archive:
            return "unsigned";
        case ServerResult::no_key:
            return "no_key";
        case ServerResult::rejected:
            break;
    }
    return "rejected";
}

std::string JsonOrNull(const std::string& text) {
    return text.empty() ? "null" : JsonString(text);
}

// ["a", "b"]
std::string JsonList(const std::vector<std::string>& items) {
    std::string list = "[";
    for (const std::string& item : items) list += (list.size() > 1 ? ", " : "") + JsonString(item);
    return list + "]";
}

void PutVerdict(Output& out, const ArchiveVerdict& verdict, bool first) {
    std::vector<std::string> warnings;
    for (const std::string& name : verdict.odd_names)
        warnings.push_back(name + ": " + kOddNameText);
    Put(out, first ? "\n    {\"archive\": " : ",\n    {\"archive\": ");
    Put(out, JsonString(verdict.archive) + ", \"signatures\": " + JsonList(verdict.signatures) +
                 ", \"authority\": " + JsonOrNull(verdict.authority) + ", \"result\": \"" +
                 ResultName(verdict.result) + "\", \"reason\": " + JsonOrNull(verdict.reason) +
                 ", \"warnings\": " + JsonList(warnings) + "}");
}

}  // namespace

bool PutServerCheckJson(const std::vector<FolderKey>& keys,
                        const std::vector<ArchiveVerdict>& verdicts, std::size_t accepted) {
    Output out;
    Put(out, "{\n  \"keys\": [");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        Put(out, (i == 0 ? "\n    {\"file\": " : ",\n    {\"file\": ") + JsonString(keys[i].path) +
                     ", \"authority\": " + JsonString(keys[i].key.authority) +
                     (keys[i].used ? ", \"used\": true}" : ", \"used\": false}"));
    }
    Put(out, "\n  ],\n  \"archives\": [");
    for (std::size_t i = 0; i < verdicts.size(); ++i) PutVerdict(out, verdicts[i], i == 0);
    Put(out, "\n  ],\n  \"accepted\": " + std::to_string(accepted) +
                 ",\n  \"not_accepted\": " + std::to_string(verdicts.size() - accepted) + "\n}\n");
    return FinishOutput(out);
}

}  // namespace qp::cli
