// Reading manifest.tsv: tab-separated, one entry a line, after a heading line.
#include "support/sample_manifest.h"

#include <fstream>
#include <sstream>

namespace qp::test {

std::vector<SampleEntry> SampleEntries(const std::string& folder, const std::string& archive) {
    std::ifstream in(folder + "/manifest.tsv");
    std::vector<SampleEntry> entries;
    std::string line;
    std::getline(in, line);  // the heading
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::stringstream columns(line);
        for (std::string field; std::getline(columns, field, '\t');) fields.push_back(field);
        // archive, entry, method, original size, data size, timestamp, sha256; lines such as
        // "(data area start)" carry no hash.
        if (fields.size() < 7 || fields[0] != archive || fields[6].empty()) continue;
        entries.push_back({fields[1], fields[2], fields[6]});
    }
    return entries;
}

}  // namespace qp::test
