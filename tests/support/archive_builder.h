// Builds PBO archives in memory for tests, named for what they hold.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qp::test {

struct TestEntry {
    std::string name;
    std::string data;  // the bytes stored in the data area
    std::uint32_t method = 0;
    std::uint32_t original_size = 0;
    std::int32_t timestamp = 1700000000;
};

struct TestArchive {
    bool extension = true;
    std::vector<std::string> extension_strings;  // key, value, key, value, ...
    std::vector<TestEntry> entries;
    bool trailer = true;         // a zero byte and the SHA-1 of every byte before it
    bool fixed_trailer = false;  // the fixed text of older quillpack archives instead of the SHA-1
};

// The archive's bytes, laid out as the format says.
std::string BuildArchive(const TestArchive& archive);
// Offset of the first data byte: right after the end-of-header record.
std::uint32_t DataStart(const TestArchive& archive);
// Offset just past each file entry's record: cut there, the archive still lists that entry.
std::vector<std::uint32_t> RecordEnds(const TestArchive& archive);
// Offset of each file entry's data.
std::vector<std::uint32_t> DataOffsets(const TestArchive& archive);

// The archive but for its trailer's digest (its last 20 bytes): an edit in place whose last step,
// making the digest, fails leaves the archive whole and its digest out of date.
std::string WithoutDigest(const std::string& archive);

// Content of a given size that differs from name to name.
std::string ContentFor(const std::string& name, std::size_t size);
// What follows an LZSS stream: nothing, or the 32-bit sum of the decoded bytes, taken as
// unsigned or as signed bytes, as packers write it.
enum class StreamSum { none, of_unsigned_bytes, of_signed_bytes };
// An entry holding `text` LZSS-compressed; `literal_only` makes a stream of literals, fast to
// build for any size.
TestEntry LzssEntry(const std::string& name, const std::string& text,
                    StreamSum sum = StreamSum::none, bool literal_only = false);
// An archive with a "prefix" extension and stored entries of the given names and sizes.
TestArchive ArchiveWith(const std::vector<std::pair<std::string, std::size_t>>& entries);

}  // namespace qp::test
