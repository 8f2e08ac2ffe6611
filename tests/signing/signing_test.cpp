// Signing at the core, each over a small table: the digests of archives with each kind of entry,
// keys at the size boundaries, damaged signature files, the signature after a failed edit, and
// signature and key files never put in place unflushed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "editing/rewrite_archive.h"
#include "pbo/little_endian.h"
#include "signing/archive_hashes.h"
#include "signing/check_signature.h"
#include "signing/sign_archive.h"
#include "signing/signature_file.h"
#include "signing/small_file.h"
#include "support/archive_builder.h"
#include "support/digests.h"
#include "support/fault_sweep.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ArchiveWith;
using test::BuildArchive;
using test::FileExists;
using test::ReadWholeFile;
using test::WriteWholeFile;

std::string Bytes(const std::uint8_t (&digest)[kSha1Size]) {
    return std::string(reinterpret_cast<const char*>(digest), kSha1Size);
}

// The key of the samples, private or public.
SigningKey SampleKey(bool want_private) {
    const std::string path = std::string(QUILLPACK_SAMPLES_DIR) + "/quillpack_test" +
                             (want_private ? kPrivateKeyExtension : kPublicKeyExtension);
    SigningKey key;
    EXPECT_EQ(KeyFromFile(ReadKeyFile(path), want_private, key).fault, SigningFault::none);
    return key;
}

// Entries sorted by name; `taken` the ones whose data the version's file hash covers, in order
// (none: the hash of the word that stands for nothing).
struct DigestCase {
    const char* what;
    std::vector<std::pair<std::string, std::size_t>> entries;
    int version;
    std::vector<std::string> taken;
};

const std::vector<std::pair<std::string, std::size_t>> kMixed = {
    {"a.wrp", 10}, {"b.sqf", 20}, {"c.SQFC", 5}, {"d.paa", 7}, {"e.txt", 3}, {"f.WRP", 4}};
// The middle entry straddles the first MiB, the last lies past it.
const std::vector<std::pair<std::string, std::size_t>> kLarge = {
    {"a.sqf", 700 << 10}, {"b.wrp", 700 << 10}, {"c.txt", 700 << 10}};

TEST(SigningDigests, EachVersionTakesInItsOwnEntries) {
    const DigestCase cases[] = {
        {"media left out", kMixed, 2, {"b.sqf", "c.SQFC", "e.txt"}},
        {"scripts taken in", kMixed, 3, {"b.sqf", "c.SQFC"}},
        {"past the first MiB, v2", kLarge, 2, {"a.sqf", "c.txt"}},
        {"past the first MiB, v3", kLarge, 3, {"a.sqf"}},
        {"an empty script counts", {{"e.sqf", 0}, {"t.paa", 5}}, 3, {"e.sqf"}},
        {"nothing taken, v2", {{"t.paa", 5}}, 2, {}},
        {"nothing taken, v3", {{"t.txt", 5}}, 3, {}},
    };
    test::TempDir dir;
    const std::string path = dir.File("a.pbo");
    for (const DigestCase& row : cases) {
        SCOPED_TRACE(row.what);
        const test::TestArchive archive = ArchiveWith(row.entries);
        const std::string bytes = BuildArchive(archive);
        WriteWholeFile(path, bytes);
        std::string names;
        std::string files;
        for (const test::TestEntry& entry : archive.entries) {
            for (const char c : entry.data.empty() ? std::string() : entry.name)
                names.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
            if (std::find(row.taken.begin(), row.taken.end(), entry.name) != row.taken.end())
                files += entry.data;
        }
        if (row.taken.empty()) files = row.version == 2 ? "nothing" : "gnihton";
        ArchiveHashes hashes;
        ASSERT_EQ(HashArchiveAt(path, row.version, hashes).fault, SigningFault::none);
        EXPECT_EQ(Bytes(hashes.hash1), bytes.substr(bytes.size() - kSha1Size));
        EXPECT_EQ(Bytes(hashes.name_hash), test::Sha1(names));
        EXPECT_EQ(Bytes(hashes.file_hash), test::Sha1(files));
    }
}

// The largest key the reader takes, and the next size, which it refuses.
TEST(SigningKeys, SixteenThousandBitsAtMost) {
    for (const std::uint32_t bits : {16384u, 16400u}) {
        SigningKey key{"big", {}};
        key.rsa.bits = bits;
        key.rsa.public_exponent = 65537;
        key.rsa.modulus.assign(bits / 8, 'n');
        const std::string bytes = PublicKeyFileBytes(key);
        EXPECT_EQ(ParseKey(bytes, key), bits <= 16384 ? bytes.size() : 0u) << bits;
    }
}

// A fixture of a sorted archive with a trailer, signed with the samples' key.
class SignedArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteWholeFile(archive_, BuildArchive(ArchiveWith({{"a.sqf", 10}, {"b.txt", 20}})));
        ASSERT_EQ(SignArchive(archive_, private_key_, 3).fault, SigningFault::none);
        signed_ = ReadWholeFile(signature_);
    }

    SignatureState Check() { return CheckSignature(archive_, SampleKey(false)).state; }

    test::TempDir dir_;
    SigningKey private_key_ = SampleKey(true);
    std::string archive_ = dir_.File("a.pbo");
    std::string signature_ = SignatureFilePath(archive_, "quillpack_test");
    std::string signed_;
};

// Only a whole file, with each length its key's width and a version of 2 or 3, is a signature.
TEST_F(SignedArchiveTest, DamagedSignatureFilesAreNoSignatures) {
    ASSERT_EQ(Check(), SignatureState::valid);
    const std::size_t version_at = PublicKeyFileBytes(private_key_).size() + 4 + 128;
    const std::pair<std::size_t, std::uint32_t> patches[] = {
        {version_at, 4}, {version_at, 1}, {version_at, 0}, {version_at + 4, 127}};
    for (const auto& [at, value] : patches) {
        std::string damaged = signed_;
        std::string field;
        AppendLittle32(field, value);
        damaged.replace(at, 4, field);
        WriteWholeFile(signature_, damaged);
        EXPECT_EQ(Check(), SignatureState::not_a_signature) << at << " = " << value;
    }
    SignatureFile file;
    std::string key_bytes;
    for (std::size_t size = 0; size < signed_.size(); ++size)
        EXPECT_FALSE(ParseSignatureFile(signed_.substr(0, size), file, key_bytes)) << size;
    EXPECT_FALSE(ParseSignatureFile(signed_ + '\0', file, key_bytes));
}

// After an edit that failed part way, the signature is made again where the archive still can be
// signed, and removed where it cannot; one that still matches, or an archive that is gone, stays.
TEST_F(SignedArchiveTest, AfterAFailedEditTheSignatureIsRenewedOrRemoved) {
    enum Left { kept, renewed, removed };
    test::TestArchive changed = ArchiveWith({{"a.sqf", 11}, {"b.txt", 20}});
    test::TestArchive unsorted = ArchiveWith({{"b.txt", 20}, {"a.sqf", 11}});
    test::TestArchive cut = changed;
    cut.trailer = false;
    std::string stale = BuildArchive(changed);
    stale.back() ^= 1;
    const std::pair<std::string, Left> rows[] = {{ReadWholeFile(archive_), kept},
                                                 {BuildArchive(changed), renewed},
                                                 {BuildArchive(unsorted), removed},
                                                 {BuildArchive(cut), removed},
                                                 {stale, removed},
                                                 {"", kept}};
    const KeyFileRead key_file =
        ReadKeyFile(std::string(QUILLPACK_SAMPLES_DIR) + "/quillpack_test.biprivatekey");
    for (const auto& [bytes, left] : rows) {
        SCOPED_TRACE(left);
        WriteWholeFile(signature_, signed_);
        std::remove(archive_.c_str());
        if (!bytes.empty()) WriteWholeFile(archive_, bytes);
        SignAgainWhereStale(archive_, key_file, 3);
        EXPECT_EQ(FileExists(signature_), left != removed);
        if (left == removed) continue;
        EXPECT_EQ(ReadWholeFile(signature_) == signed_, left == kept);
        EXPECT_TRUE(left == kept || Check() == SignatureState::valid);
    }
}

// Every file call of writing a signature, or a key file, fails in turn: the file is in place and
// whole, or nothing is; a write, flush or replacement that fails is reported. The file is flushed
// before it is put in place.
TEST_F(SignedArchiveTest, SignatureAndKeyFilesAreFlushedBeforeTheyAreInPlace) {
    const std::string key_path = dir_.File("new.bikey");
    const std::string key_bytes = PublicKeyFileBytes(private_key_);
    struct Writer {
        std::string path;
        std::function<bool()> write;
        std::function<bool()> whole;
    };
    const Writer writers[] = {
        {signature_,
         [&] { return SignArchive(archive_, private_key_, 3).fault == SigningFault::none; },
         [&] { return Check() == SignatureState::valid; }},
        {key_path, [&] { return WriteSmallFile(key_path, key_bytes, false) == IoStatus::ok; },
         [&] { return ReadWholeFile(key_path) == key_bytes; }}};
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.path);
        bool written = false;
        const auto prepare = [&] { std::remove(writer.path.c_str()); };
        prepare();
        EXPECT_GT(test::CountFileCalls(writer.write)[static_cast<int>(FileCall::flush)], 0);
        test::SweepFileFaults(
            prepare, [&] { written = writer.write(); },
            [&](const test::FileFault& fault) {
                SCOPED_TRACE(test::Describe(fault));
                EXPECT_TRUE(written ? writer.whole() : !FileExists(writer.path));
                EXPECT_FALSE(written &&
                             (fault.kind == FileCall::write || fault.kind == FileCall::flush ||
                              fault.kind == FileCall::replace));
                EXPECT_FALSE(FileExists(ReplacementPath(writer.path.c_str())));
            });
    }
}

}  // namespace
}  // namespace qp
