// The table of hostile entry names (data/hostile_names.tsv) that the tool and the plugin's
// ProcessFile extract alike, natively and under Wine, and the folder they are extracted into.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qp::test {

// Extracts `archive` below `dest` and gives each entry's result, in order.
using Extractor =
    std::function<std::vector<int>(const std::string& archive, const std::string& dest)>;

// Makes `root`/dest, holding the link sub -> ../outside, and `root`/outside; extracts an archive
// of the table's names, each holding its name, below dest with `extract`; and checks that each
// name refused here gave E_ECREATE, each other one its file, and that no file was written
// anywhere else in `root`.
void ExpectHostileNamesKeptInside(const std::string& root, const Extractor& extract);

}  // namespace qp::test
