// A scratch folder per test, and whole-file helpers.
#pragma once

#include <string>

namespace qp::test {

// Made empty when constructed, removed with everything in it when destroyed.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The path of a file in the folder, with the platform's separator.
    std::string File(const std::string& name) const;

    std::string path;
};

void WriteWholeFile(const std::string& path, const std::string& bytes);
std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace qp::test
