// Benchmark: listing a 20,000-entry archive through the exports and with `quillpack list`, beside
// one read of its header bytes and the least parse that finds every name and record; `list` and
// `extract` given every entry's name, beside the same commands given none.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "cli/commands.h"
#include "pbo/entry_record.h"
#include "platform/file.h"
#include "plugin/wcx.h"

namespace {

constexpr int kEntries = 20000;
// Each figure is the best of this many runs: a listing takes a millisecond, and noise more.
constexpr int kRuns = 30;

std::string EntryName(int index) {
    char name[64];
    std::snprintf(name, sizeof name, "addons\\weapons\\data\\textures\\item_%05d.paa", index);
    return name;
}

// The host's pass: every entry described, then skipped.
int ListThroughExports(const std::string& path) {
    tOpenArchiveData open{};
    open.ArcName = const_cast<char*>(path.c_str());
    open.OpenMode = qp::PK_OM_LIST;
    void* archive = OpenArchive(&open);
    tHeaderData header{};
    int listed = 0;
    while (ReadHeader(archive, &header) == 0) {
        ProcessFile(archive, qp::PK_SKIP, nullptr, nullptr);
        ++listed;
    }
    CloseArchive(archive);
    return listed;
}

// The header read whole in one call, then each name found and each record decoded.
int ParseHeaderBytes(const std::string& path, std::uint32_t header_size) {
    const qp::OpenResult file = qp::OpenFile(path.c_str(), qp::OpenMode::read);
    const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[header_size]);
    const qp::Transfer read = qp::ReadBytes(file.handle, bytes.get(), header_size);
    qp::CloseFile(file.handle);
    const std::uint8_t* at = bytes.get() + 1 + qp::kRecordSize;  // the extension's entry
    while (*at != 0) at += std::strlen(reinterpret_cast<const char*>(at)) + 1;  // its strings
    ++at;
    int listed = 0;
    std::uint32_t data_size = 0;
    for (const std::uint8_t* end = bytes.get() + read.bytes; at < end && *at != 0; ++listed) {
        at += std::strlen(reinterpret_cast<const char*>(at)) + 1;
        data_size += qp::DecodeRecord(at).data_size;
        at += qp::kRecordSize;
    }
    return data_size != 0 ? listed : -1;
}

// The tool's listing in this process, its output going to /dev/null as to a pipe nobody reads.
int ListWithTool(const std::string& path, bool json) {
    qp::cli::Options options;
    options.command = "list";
    options.archive = path;
    options.json = json;
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    qp::Progress progress;
    const int status = qp::cli::ListCommand(options, progress);
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(null);
    ::close(saved);
    return status;
}

// Every entry's name as a script may type it: in capitals, with `/`.
std::vector<std::string> TypedNames() {
    std::vector<std::string> names;
    for (int i = 0; i < kEntries; ++i) {
        std::string name = EntryName(i);
        for (char& c : name) c = c == '\\' ? '/' : static_cast<char>(std::toupper(c));
        names.push_back(std::move(name));
    }
    return names;
}

// The tool run as a process with `args`, and again with every entry's name after them: the
// medians of each, and 1 when any run exits otherwise than `expected`.
int PrintWithAndWithoutNames(const char* label, const std::vector<std::string>& args,
                             const std::vector<std::string>& names, int expected = 0) {
    std::vector<std::string> named = args;
    named.insert(named.end(), names.begin(), names.end());
    int status = 0;
    const auto run = [&](const std::vector<std::string>& line) {
        status |= qp::bench::RunQuiet(line) != expected ? 1 : 0;
    };
    const auto without = qp::bench::MedianTiming([&] { run(args); });
    const auto with = qp::bench::MedianTiming([&] { run(named); });
    std::printf(
        "%s %8.4f s (CPU %.4f s) without names, %8.4f s (CPU %.4f s) with %zu names: "
        "%+.4f s (CPU %+.4f s; goal: < 0.1 s)%s\n",
        label, without.seconds, qp::bench::CpuSeconds(without), with.seconds,
        qp::bench::CpuSeconds(with), names.size(), with.seconds - without.seconds,
        qp::bench::CpuSeconds(with) - qp::bench::CpuSeconds(without), status == 0 ? "" : " FAILED");
    return status;
}

}  // namespace

int main() {
    const auto folder = qp::bench::ScratchFolder("quillpack-bench-list");
    const std::string path = (folder / "addon.pbo").string();
    const std::uint32_t header_size = qp::bench::WriteStoredArchive(path, kEntries, 16, EntryName);

    int listed = 0;
    int parsed = 0;
    const double exports_seconds =
        qp::bench::BestSeconds([&] { listed = ListThroughExports(path); }, {}, kRuns);
    const double parse_seconds =
        qp::bench::BestSeconds([&] { parsed = ParseHeaderBytes(path, header_size); }, {}, kRuns);
    int tool_status = 0;
    const double tool_seconds =
        qp::bench::BestSeconds([&] { tool_status |= ListWithTool(path, false); }, {}, kRuns);
    const double json_seconds =
        qp::bench::BestSeconds([&] { tool_status |= ListWithTool(path, true); }, {}, kRuns);
    // The same as a user runs them: whole processes, output to /dev/null.
    const std::string quoted = "'" + path + "'";
    const double head_seconds = qp::bench::BestShellSeconds(
        "head -c " + std::to_string(header_size) + " " + quoted + " >/dev/null");
    const double process_seconds = qp::bench::BestShellSeconds(std::string("'") + QUILLPACK_TOOL +
                                                               "' list " + quoted + " >/dev/null");

    std::printf("archive: %d entries of ~%zu-character names, header %u bytes; load %s\n", kEntries,
                EntryName(0).size(), header_size, qp::bench::LoadAverage().c_str());
    std::printf("list through the exports:     %9.5f s (%d entries)\n", exports_seconds, listed);
    std::printf("read header once + parse:     %9.5f s (%d entries)\n", parse_seconds, parsed);
    std::printf("listing / reference:          %8.1f x (goal: within 3x)\n",
                exports_seconds / parse_seconds);
    std::printf("quillpack list, in process:   %9.5f s, %.1f x the reference\n", tool_seconds,
                tool_seconds / parse_seconds);
    std::printf("quillpack list --json:        %9.5f s, %.1f x the reference\n", json_seconds,
                json_seconds / parse_seconds);
    std::printf(
        "as a user runs them: quillpack list %.5f s, head -c HEADER %.5f s: %.1f x "
        "(goal: within 3x)\n",
        process_seconds, head_seconds, process_seconds / head_seconds);
    // Given every name; extract into a folder that holds every entry already, so that each file is
    // compared and left as it is and the figure is the walk, the names and the comparison.
    const std::vector<std::string> names = TypedNames();
    const std::string out = (folder / "out").string();
    tool_status |= qp::bench::RunQuiet({QUILLPACK_TOOL, "extract", path, "-C", out});
    tool_status |=
        PrintWithAndWithoutNames("quillpack list:   ", {QUILLPACK_TOOL, "list", path}, names);
    tool_status |= PrintWithAndWithoutNames(
        "quillpack extract:", {QUILLPACK_TOOL, "extract", path, "-C", out}, names);
    // A name that picks nothing stops extract before it touches a file: with one, the figure is
    // the walk and the names alone, without the 20,000 files' noise.
    tool_status |= PrintWithAndWithoutNames(
        "extract (stopped):", {QUILLPACK_TOOL, "extract", path, "-C", out, "missing"}, names, 1);
    std::filesystem::remove_all(folder);
    return listed == kEntries && parsed == kEntries && tool_status == 0 ? 0 : 1;
}
