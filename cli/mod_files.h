// The files a server's check looks at: the keys of a server's keys/ folder, the archives of a
// mod, the signature files beside each archive.
#pragma once

#include <string>
#include <vector>

namespace qp::cli {

// The `.bikey` files in `folder` (not below it, as a server reads them), sorted; false with a
// message when it is no folder, cannot be read or holds none.
bool KeyFilesIn(const std::string& folder, std::vector<std::string>& keys);

// `path` itself when it is a file; the `*.pbo` files below it, every level, sorted, when it is a
// folder. False with a message when it is neither or the folder holds no archive.
bool ArchivesAt(const std::string& path, std::vector<std::string>& archives);

// The signature files beside an archive: `ARCHIVE.AUTHORITY.bisign`, sorted.
std::vector<std::string> SignatureFilesBeside(const std::string& archive);
// The AUTHORITY of such a file's name.
std::string SignatureAuthority(const std::string& archive, const std::string& signature);

// Whether the file name of `path` has upper-case letters or spaces, which a server on Linux does
// not find.
bool ServerMissesName(const std::string& path);

}  // namespace qp::cli
