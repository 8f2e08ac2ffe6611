// The table of hostile entry names that the tool and the plugin's ProcessFile extract alike
// (data/hostile_names.tsv), and the folder they are extracted into.
#pragma once

#include <string>
#include <vector>

#include "support/archive_builder.h"

namespace qp::test {

// Who refuses a name: nobody, every system, systems with Windows' rules, or every system where
// the destination holds the link sub -> ../outside.
enum class Refusal { none, everywhere, windows, link };

struct HostileName {
    std::string name;  // as stored: "%XX" in the table stands for the byte XX
    Refusal refusal;
};

std::vector<HostileName> HostileNames();
bool RefusedHere(const HostileName& row);

// A stored entry for each name, holding the name itself.
TestArchive HostileArchive(const std::vector<HostileName>& rows);

// Makes `root`/dest, holding the link sub -> ../outside, and `root`/outside, empty. False when
// this system lets the test make no link.
bool MakeHostileScene(const std::string& root);

// After the entries were extracted below `root`/dest, in table order, with ProcessFile's
// `results`: each name refused here gave E_ECREATE, each other one its file, and no file was
// written anywhere else in `root` than below dest (`root`/outside stays empty).
void ExpectOnlyDestinationWritten(const std::string& root, const std::vector<HostileName>& rows,
                                  const std::vector<int>& results);

}  // namespace qp::test
