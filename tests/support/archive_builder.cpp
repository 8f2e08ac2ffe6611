// The test archive builder: header extension, entries, end-of-header entry, data, trailer.
#include "support/archive_builder.h"

#include "support/digests.h"
#include "support/lzss_encoder.h"

namespace qp::test {
namespace {

void PutLittle32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void PutCString(std::string& out, const std::string& text) {
    out += text;
    out.push_back('\0');
}

std::string Header(const TestArchive& archive) {
    std::string out;
    if (archive.extension) {
        out.push_back('\0');
        PutLittle32(out, 0x56657273);
        out.append(16, '\0');
        for (const std::string& text : archive.extension_strings) PutCString(out, text);
        out.push_back('\0');
    }
    for (const TestEntry& entry : archive.entries) {
        PutCString(out, entry.name);
        PutLittle32(out, entry.method);
        PutLittle32(out, entry.original_size);
        PutLittle32(out, 0);
        PutLittle32(out, static_cast<std::uint32_t>(entry.timestamp));
        PutLittle32(out, static_cast<std::uint32_t>(entry.data.size()));
    }
    out.append(21, '\0');
    return out;
}

}  // namespace

std::string BuildArchive(const TestArchive& archive) {
    std::string out = Header(archive);
    for (const TestEntry& entry : archive.entries) out += entry.data;
    if (archive.trailer) {
        const std::string digest = archive.fixed_trailer ? "quillpack trailer id" : Sha1(out);
        out.push_back('\0');
        out += digest;
    }
    return out;
}

std::uint32_t DataStart(const TestArchive& archive) {
    return static_cast<std::uint32_t>(Header(archive).size());
}

std::vector<std::uint32_t> RecordEnds(const TestArchive& archive) {
    TestArchive bare = archive;
    bare.entries.clear();
    // The header of no entries is the extension and the end-of-header entry.
    std::uint32_t end = static_cast<std::uint32_t>(Header(bare).size()) - 21;
    std::vector<std::uint32_t> ends;
    for (const TestEntry& entry : archive.entries) {
        end += static_cast<std::uint32_t>(entry.name.size()) + 21;
        ends.push_back(end);
    }
    return ends;
}

std::vector<std::uint32_t> DataOffsets(const TestArchive& archive) {
    std::uint32_t offset = DataStart(archive);
    std::vector<std::uint32_t> offsets;
    for (const TestEntry& entry : archive.entries) {
        offsets.push_back(offset);
        offset += static_cast<std::uint32_t>(entry.data.size());
    }
    return offsets;
}

TestEntry LzssEntry(const std::string& name, const std::string& text, StreamSum sum,
                    bool literal_only) {
    std::string stream;
    if (literal_only) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (i % 8 == 0) stream.push_back(static_cast<char>(0xFF));
            stream.push_back(text[i]);
        }
    } else {
        stream = LzssEncode(text);
    }
    std::uint32_t total = 0;
    for (const char c : text) {
        total += sum == StreamSum::of_signed_bytes
                     ? static_cast<std::uint32_t>(static_cast<signed char>(c))
                     : static_cast<unsigned char>(c);
    }
    if (sum != StreamSum::none) PutLittle32(stream, total);
    return {name, stream, 0x43707273, static_cast<std::uint32_t>(text.size())};
}

std::string WithoutDigest(const std::string& archive) {
    return archive.substr(0, archive.size() < 20 ? 0 : archive.size() - 20);
}

std::string ContentFor(const std::string& name, std::size_t size) {
    std::string out(size, '\0');
    std::uint32_t seed = 2166136261u;
    for (char c : name) seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(seed >> 16);
    }
    return out;
}

TestArchive ArchiveWith(const std::vector<std::pair<std::string, std::size_t>>& entries) {
    TestArchive archive;
    archive.extension_strings = {"prefix", "test\\addon"};
    for (const auto& [name, size] : entries)
        archive.entries.push_back({name, ContentFor(name, size)});
    return archive;
}

}  // namespace qp::test
