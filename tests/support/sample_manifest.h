// The manifest of the sample archives written by an independent tool: entries and their hashes.
#pragma once

#include <string>
#include <vector>

namespace qp::test {

struct SampleEntry {
    std::string name;
    std::string method;  // "stored" or "Cprs"
    std::string sha256;
};

// The entries of `archive` (e.g. "addon.pbo") in header order, from manifest.tsv in `folder`.
std::vector<SampleEntry> SampleEntries(const std::string& folder, const std::string& archive);

}  // namespace qp::test
