// Fuzzes the host's pass over an archive held in memory: every entry listed, tested, extracted.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "listing/unsafe_names.h"
#include "pbo/entry_walk.h"
#include "pbo/lzss.h"
#include "platform/memory_files.h"
#include "plugin/host_archive.h"
#include "plugin/host_conventions.h"
#include "plugin/wcx.h"

using qp::fuzz::Check;
using qp::fuzz::WalkFile;

namespace {

char archive_name[] = "archive.pbo";
char output_name[] = "extracted";

struct Listed {
    std::string name;
    std::uint32_t size;  // UnpSize
    std::uint32_t pack_size;
    bool compressed;
    std::uint32_t original_size;
    int result;
    std::string bytes;
};

bool KnownResult(int result) {
    return result == 0 || (result >= qp::E_NO_MEMORY && result <= qp::E_EWRITE &&
                           result != qp::E_UNKNOWN_FORMAT && result != qp::E_EOPEN);
}

// Tests the entry, which must write nothing, then extracts it, which must leave its whole file or
// none. Compressed entries are decoded into the file whatever size they claim, so a claim of
// 2 GiB costs no more memory than the stream's own bytes give.
void TestAndExtract(void* handle, Listed& entry) {
    qp::RemoveFile(output_name);
    const int tested = ProcessFile(handle, qp::PK_TEST, nullptr, output_name);
    Check(qp::memory::FileBytes(output_name) == nullptr, "a test writes nothing");
    entry.result = ProcessFile(handle, qp::PK_EXTRACT, nullptr, output_name);
    Check(KnownResult(entry.result), "ProcessFile gives a known result");
    // A name the guard refuses is never written, and its data not even read; the test checks the
    // data alone.
    const bool refused =
        !qp::UnsafeEntryReason(static_cast<qp::HostArchive*>(handle)->listing.current_name).empty();
    Check(!refused || entry.result == qp::E_ECREATE, "a name the guard refuses is not written");
    // Only a write can fail where the test, which writes nothing, succeeded.
    Check(refused || tested == entry.result || (tested == 0 && entry.result == qp::E_EWRITE),
          "a test comes to what the extraction comes to");
    const std::string* bytes = qp::memory::FileBytes(output_name);
    Check((bytes != nullptr) == (entry.result == 0), "the file is there only when extracted");
    if (bytes != nullptr) entry.bytes = *bytes;
}

// Lists the archive as the host's extraction pass does, extracting each entry before reading the
// next header.
std::vector<Listed> ListAndExtract(std::size_t archive_size, bool& damaged) {
    tOpenArchiveData open{};
    open.ArcName = archive_name;
    open.OpenMode = qp::PK_OM_EXTRACT;
    void* handle = OpenArchive(&open);
    Check(handle != nullptr, "the archive opens");
    std::vector<Listed> listed;
    for (;;) {
        tHeaderData header{};
        const int read = ReadHeader(handle, &header);
        Check(read == 0 || read == qp::E_END_ARCHIVE || read == qp::E_BAD_ARCHIVE,
              "ReadHeader gives an entry, the end or damage");
        if (read != 0) {
            damaged = read == qp::E_BAD_ARCHIVE;
            break;
        }
        Check(std::memchr(header.FileName, '\0', sizeof header.FileName) != nullptr,
              "the name is terminated inside FileName");
        // Every entry takes at least its NUL and its record, so the walk must end.
        Check(listed.size() < archive_size / qp::kEntryOverhead + 1, "the listing terminates");
        const qp::ListingState& state = static_cast<qp::HostArchive*>(handle)->listing;
        Listed entry{header.FileName,
                     static_cast<std::uint32_t>(header.UnpSize),
                     static_cast<std::uint32_t>(header.PackSize),
                     state.current_record.method == qp::kMethodCompressed,
                     state.current_record.original_size,
                     0,
                     {}};
        TestAndExtract(handle, entry);
        listed.push_back(std::move(entry));
    }
    Check(CloseArchive(handle) == 0, "the archive closes");
    return listed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Check(qp::memory::RemoveAllFiles(), "nothing is left open by the previous input");
    const std::string archive(reinterpret_cast<const char*>(data), size);
    qp::memory::PutFile(archive_name, archive);
    const qp::HeaderWalk walk = WalkFile(archive_name);

    bool damaged = false;
    const std::vector<Listed> listed = ListAndExtract(size, damaged);
    Check(qp::memory::OpenObjects() == 0, "every handle and view is released");
    Check(*qp::memory::FileBytes(archive_name) == archive, "listing leaves the archive as it was");

    // The listing sees the entries the editors' walk sees, in the same order, and calls damaged
    // a header that has a string too long to read whole, as the walk does.
    Check(listed.size() == walk.entries.size(), "the listing has the entries of the walk");
    Check(damaged == (walk.damage == qp::HeaderDamage::name_too_long),
          "the listing is damaged where the walk meets a string too long");
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const Listed& entry = listed[i];
        const qp::EntryLocation& location = walk.entries[i].location;
        std::string walked = walk.entries[i].name.substr(0, sizeof(tHeaderData::FileName) - 1);
        qp::ShowEntryNameToHost(walked.data());  // the host sees folders as it writes them
        Check(entry.name == walked, "the listed name is the walked one");
        Check(entry.pack_size == static_cast<std::uint32_t>(location.data_size),
              "PackSize is the data size");
        Check(entry.size == (entry.compressed ? entry.original_size : entry.pack_size),
              "UnpSize is the original size of a compressed entry, else the data size");
        if (entry.result != 0) continue;
        // A success means the whole entry was there to be read: never a guess reported as data.
        const std::uint64_t data_end =
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(location.data_offset)) +
            entry.pack_size;
        Check(entry.pack_size == 0 || data_end <= size,
              "an entry extracted without error lies inside the file");
        if (entry.compressed) {
            // Decoded from its own bytes, which a whole stream fills to the original size. No
            // bytes at all decode only to nothing: an input length of 0 is no limit to the decoder.
            Check(entry.original_size == 0 || entry.pack_size != 0,
                  "nothing decodes only to nothing");
            std::vector<std::uint8_t> decoded(entry.original_size);
            if (entry.original_size != 0) {
                const auto* packed =
                    reinterpret_cast<const std::uint8_t*>(archive.data()) + location.data_offset;
                const qp::LzssCounts counts = qp::LzssDecodeCounted(
                    packed, decoded.data(), static_cast<std::int32_t>(entry.pack_size),
                    static_cast<std::int32_t>(entry.original_size));
                Check(counts.produced == static_cast<std::int32_t>(entry.original_size),
                      "a compressed entry extracted without error is a whole stream");
            }
            Check(entry.bytes == std::string(decoded.begin(), decoded.end()),
                  "a compressed entry is extracted as its decoded stream");
        } else {
            const std::string stored = entry.pack_size == 0
                                           ? std::string()
                                           : archive.substr(location.data_offset, entry.pack_size);
            Check(entry.bytes == stored, "a stored entry is extracted byte for byte");
        }
    }
    return 0;
}
