// quillpack: builds, signs, verifies, lists, extracts, packs, deletes and sorts PBO archives
// from the command line, rapifies text configs and writes rapified configs as text.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/progress_bar.h"
#include "cli/server_check.h"
#include "platform/file.h"
#include "platform/program_text.h"

#ifndef QUILLPACK_VERSION
#define QUILLPACK_VERSION "0.0.0"
#endif

int main(int argc, char** argv) {
    using namespace qp::cli;
    // Paths and names are UTF-8 throughout, on Windows too, so that a folder packs to the same
    // bytes on every system.
    qp::SetPathsAreUtf8(true);
    // Packing holds the files it packs open from planning to copying, as many as it may.
    qp::AllowMostOpenFiles();
    qp::ShowUtf8OnConsole();
    const std::vector<std::string> args = qp::ProgramArguments(argc, argv);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsageText, stdout);
        return kSuccess;
    }
    if (!args.empty() && args[0] == "--version") {
        std::printf("quillpack %s\n", QUILLPACK_VERSION);
        return kSuccess;
    }
    Options options;
    std::string error;
    if (!ParseOptions(args, options, error)) {
        const std::string usage = args.empty() ? "" : CommandUsage(args[0]);
        std::fprintf(stderr, "quillpack: %s\n%s", error.c_str(),
                     usage.empty() ? kUsageText : usage.c_str());
        return kUsage;
    }
    if (options.help) {
        std::fputs(CommandUsage(options.command).c_str(), stdout);
        return kSuccess;
    }
    CatchInterrupts();
    qp::Progress progress = StartProgressBar(options.progress);
    int status = kUsage;
    if (options.command == "list")
        status = ListCommand(options, progress);
    else if (options.command == "extract")
        status = ExtractCommand(options, progress);
    else if (options.command == "pack")
        status = PackCommand(options, progress);
    else if (options.command == "delete")
        status = DeleteCommand(options, progress);
    else if (options.command == "verify")
        status = options.keys_folder.empty() ? VerifyCommand(options, progress)
                                             : ServerCheckCommand(options, progress);
    else if (options.command == "build")
        status = BuildCommand(options, progress);
    else if (options.command == "keygen")
        status = KeygenCommand(options);
    else if (options.command == "sign")
        status = SignCommand(options, progress);
    else if (options.command == "sort")
        status = SortCommand(options, progress);
    else if (options.command == "rapify")
        status = RapifyCommand(options);
    else if (options.command == "derapify")
        status = DerapifyCommand(options);
    EndProgressBar();
    // A command stopped by an interrupt ends as if killed by it, though it stopped cleanly; one
    // that finished before it could stop has done its work.
    if (progress.cancelled && status != kSuccess) return 128 + InterruptSignal();
    return status;
}
