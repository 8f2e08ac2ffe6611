// The tool killed at any moment of an edit, and two editors at once: the archive on disk is always
// the one before the edit or the one after it, whole, and an editor that finds it in use says so.
// Signals that come once a command's work is done leave its result.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "editing/rewrite_archive.h"
#include "pbo/entry_walk.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

extern char** environ;

namespace qp {
namespace {

using test::ReadWholeFile;
using test::WriteWholeFile;

// Starts the tool with `args`, its messages going to `log`, and its standard output too unless
// another file `out` is given.
pid_t Start(const std::vector<std::string>& args, const std::string& log,
            const std::string& out = {}) {
    std::vector<char*> argv{const_cast<char*>(QUILLPACK_TOOL)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t output;
    posix_spawn_file_actions_init(&output);
    posix_spawn_file_actions_addopen(&output, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out.empty()) {
        posix_spawn_file_actions_adddup2(&output, 2, 1);
    } else {
        posix_spawn_file_actions_addopen(&output, 1, out.c_str(), O_WRONLY, 0);
    }
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, QUILLPACK_TOOL, &output, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&output);
    return pid;
}

int Finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// The entries of an archive by name, read through the header walk; empty when it is damaged.
std::map<std::string, std::string> Entries(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    const HeaderWalk walk = WalkHeader(file.handle);
    CloseFile(file.handle);
    std::map<std::string, std::string> entries;
    if (walk.damaged) return entries;
    for (const WalkedEntry& entry : walk.entries) {
        entries[entry.name] = bytes.substr(static_cast<std::uint32_t>(entry.location.data_offset),
                                           static_cast<std::uint32_t>(entry.location.data_size));
    }
    return entries;
}

class EditRaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::pair<std::string, std::size_t>> entries;
        for (int i = 0; i < 40; ++i)
            entries.emplace_back(std::string("e").append(std::to_string(100 + i)), 100000);
        original_ = test::BuildArchive(test::ArchiveWith(entries));
        for (int i = 0; i < 3; ++i) {
            WriteWholeFile(dir_.File("new" + std::to_string(i)), test::ContentFor("n", 300000));
        }
        WriteWholeFile(dir_.File("e120"), test::ContentFor("replacement", 250000));
    }

    test::TempDir dir_;
    std::string archive_ = dir_.File("a.pbo");
    std::string log_ = dir_.File("log.txt");
    std::string original_;
};

// SIGKILL at points spread over each edit, and every fourth point SIGTERM, which the tool
// answers by stopping with status 143 and no replacement file left.
TEST_F(EditRaceTest, KilledAtAnyPointTheArchiveIsTheOldOrTheNewOne) {
    const std::vector<std::vector<std::string>> edits = {
        {"pack", archive_, "-C", dir_.path, "new0", "new1", "new2"},
        {"pack", archive_, "-C", dir_.path, "e120"},
        {"delete", archive_, "e105", "e120", "e139"}};
    constexpr int kPoints = 40;
    int kills = 0;
    for (const std::vector<std::string>& edit : edits) {
        SCOPED_TRACE(edit[0] + " " + edit.back());
        WriteWholeFile(archive_, original_);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Finish(Start(edit, log_)), 0) << ReadWholeFile(log_);
        const auto whole = std::chrono::steady_clock::now() - start;
        const std::string edited = ReadWholeFile(archive_);
        for (int point = 0; point < kPoints; ++point, ++kills) {
            WriteWholeFile(archive_, original_);
            const int signal = point % 4 == 3 ? SIGTERM : SIGKILL;
            // A replacement file a SIGKILL left would hide one that SIGTERM leaves.
            if (signal == SIGTERM) std::remove(ReplacementPath(archive_.c_str()).c_str());
            const pid_t pid = Start(edit, log_);
            std::this_thread::sleep_for(whole * (point + 0.5) / kPoints);
            kill(pid, signal);
            const int status = Finish(pid);
            const std::string after = ReadWholeFile(archive_);
            EXPECT_TRUE(after == original_ || after == edited) << "kill point " << point;
            if (signal == SIGTERM) {
                // Finished first, stopped at a report, or ended before it could note the signal.
                const bool stopped = WIFEXITED(status) && WEXITSTATUS(status) == 143;
                EXPECT_TRUE(status == 0 || stopped || WIFSIGNALED(status)) << status;
                EXPECT_TRUE(!stopped || after == original_) << "kill point " << point;
                EXPECT_FALSE(test::FileExists(ReplacementPath(archive_.c_str())));
            }
        }
        // What a kill left behind goes with the next edit (of the original archive: a deletion
        // of entries that are gone already fails).
        WriteWholeFile(archive_, original_);
        ASSERT_EQ(Finish(Start(edit, log_)), 0) << ReadWholeFile(log_);
        EXPECT_FALSE(test::FileExists(ReplacementPath(archive_.c_str())));
    }
    RecordProperty("kill_points", kills);
}

// Two editors start together, round after round: one packs a new file, the other deletes an
// entry. Each ends in success, or is told the archive is in use and changes nothing; after every
// round the archive holds exactly what the successful edits left.
TEST_F(EditRaceTest, TwoEditorsAtOnceLeaveTheArchiveWhole) {
    WriteWholeFile(archive_, original_);
    std::map<std::string, std::string> expected = Entries(archive_);
    const std::string log_b = dir_.File("log_b.txt");
    int in_use = 0;
    for (int round = 0; round < 20; ++round) {
        const std::string added = std::string("r").append(std::to_string(round));
        WriteWholeFile(dir_.File(added), test::ContentFor(added, 200000));
        const std::string gone = std::string("e").append(std::to_string(100 + round));
        const pid_t a = Start({"pack", archive_, "-C", dir_.path, added}, log_);
        const pid_t b = Start({"delete", archive_, gone}, log_b);
        for (const auto& [status, log] :
             {std::pair{Finish(a), log_}, std::pair{Finish(b), log_b}}) {
            const bool lost = WIFEXITED(status) && WEXITSTATUS(status) == 1 &&
                              ReadWholeFile(log).find("in use") != std::string::npos;
            EXPECT_TRUE(status == 0 || lost) << status << ": " << ReadWholeFile(log);
            in_use += lost;
            if (status != 0) continue;
            if (log == log_) expected[added] = test::ContentFor(added, 200000);
            if (log == log_b) expected.erase(gone);
        }
        ASSERT_EQ(Entries(archive_), expected) << "round " << round;
    }
    RecordProperty("in_use", in_use);

    // An editor that finds the archive held, by a reader or another editor, is told so at once
    // and changes nothing; a reader shares it with readers, as the plugin's listing holds it.
    const std::string before = ReadWholeFile(archive_);
    for (const OpenMode mode : {OpenMode::read, OpenMode::edit}) {
        const OpenResult held = OpenFile(archive_.c_str(), mode);
        const int status = Finish(Start({"delete", archive_, "e139"}, log_));
        const int listed = Finish(Start({"list", archive_}, log_b));
        CloseFile(held.handle);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        EXPECT_NE(ReadWholeFile(log_).find("in use"), std::string::npos) << ReadWholeFile(log_);
        EXPECT_EQ(ReadWholeFile(archive_), before);
        EXPECT_EQ(listed == 0, mode == OpenMode::read) << ReadWholeFile(log_b);
    }
    // A second creator of a new archive finds the first one's copy held: in use, and it stays.
    const std::string fresh = dir_.File("fresh.pbo");
    const OpenResult writing =
        OpenFile(ReplacementPath(fresh.c_str()).c_str(), OpenMode::replacement);
    const int created = Finish(Start({"pack", fresh, "-C", dir_.path, "new0"}, log_));
    EXPECT_TRUE(WIFEXITED(created) && WEXITSTATUS(created) == 1);
    EXPECT_NE(ReadWholeFile(log_).find("in use"), std::string::npos) << ReadWholeFile(log_);
    EXPECT_EQ(ReadWholeFile(log_).find("--in-place"), std::string::npos) << ReadWholeFile(log_);
    EXPECT_TRUE(test::FileExists(ReplacementPath(fresh.c_str())) && !test::FileExists(fresh));
    CloseFile(writing.handle);
}

// Whether `signal` waits to be delivered to the process, which has not ended.
bool Pending(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    bool pending = false;
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("State:") && line.find('Z') != std::string::npos) return false;
        if (line.starts_with("SigPnd:") || line.starts_with("ShdPnd:"))
            pending = pending || ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1);
    }
    return pending;
}

// Signals that come once `list` has done its work, while it waits to write the end of its
// listing to a full pipe: the first is noted and the command still ends in success; a second
// Ctrl-C ends the tool at once, as someone who presses it twice means.
TEST_F(EditRaceTest, ASignalAfterTheWorkLeavesItsResultAndASecondCtrlCEndsTheTool) {
    std::vector<std::pair<std::string, std::size_t>> entries;
    for (int i = 0; i < 1500; ++i) entries.emplace_back("entry" + std::to_string(i), 1);
    WriteWholeFile(archive_, test::BuildArchive(test::ArchiveWith(entries)));
    const std::string pipe = dir_.File("listing");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::vector<int>& signals : {std::vector{SIGTERM}, std::vector{SIGINT, SIGINT}}) {
        const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
        const pid_t pid = Start({"list", archive_}, log_, pipe);
        // The listing is larger than the pipe: full, it holds the tool in its last write.
        const int room = fcntl(reader, F_GETPIPE_SZ);
        int held = 0;
        for (int wait = 0; held != room && wait < 30000; ++wait) {
            usleep(1000);
            ioctl(reader, FIONREAD, &held);
        }
        ASSERT_EQ(held, room);
        for (const int signal : signals) {
            kill(pid, signal);
            for (int wait = 0; Pending(pid, signal) && wait < 30000; ++wait) usleep(1000);
        }
        fcntl(reader, F_SETFL, 0);
        std::string listed;
        char block[4096];
        for (ssize_t got; (got = read(reader, block, sizeof block)) > 0;) listed.append(block, got);
        close(reader);
        const int status = Finish(pid);
        if (signals.size() == 1) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            EXPECT_NE(listed.find("\n1500 entries"), std::string::npos);
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
        }
    }
}

}  // namespace
}  // namespace qp
