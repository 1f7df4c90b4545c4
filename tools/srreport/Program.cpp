#include "Program.h"

#include "ExitCode.h"
#include "Failure.h"

#include <dcmtk/oflog/oflog.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <exception>

#include <sys/resource.h>

const char* const kExitCodeHelp =
    "Exit status:\n"
    "  0  every file was done\n"
    "  1  the report control could not do the job, or a worker process ended\n"
    "  2  usage error: an unknown option or keyword, a missing or malformed argument\n"
    "  3  input error: a file is missing, unreadable, not DICOM, not an SR document or\n"
    "     refused as it is (such as a verified report to be changed in place)\n"
    "  4  output error: an output file or printer could not be written\n"
    "  5  network error: the peer could not be reached, refused the association or did\n"
    "     not store a file\n"
    "With several files, each failure is reported on its own line and the status is that of\n"
    "the first file (in the order given) that failed. No output file is left behind by a\n"
    "failure: outputs appear only when complete.\n";

namespace {

void PrintHelp(const std::vector<const Command*>& commands)
{
    std::printf("usage: srreport COMMAND [options] [FILE...]\n\n"
                "Writes, checks, prints and sends DICOM SR reports with the srctrl report control.\n\n"
                "Commands:\n");
    for (const Command* command : commands) {
        std::printf("  %-11s %s\n", command->name, command->summary);
    }
    std::printf("\nRun 'srreport COMMAND --help' for a command's options.\n\n%s", kExitCodeHelp);
}

const Command* Find(const std::vector<const Command*>& commands, const char* name)
{
    for (const Command* command : commands) {
        if (std::strcmp(command->name, name) == 0) {
            return command;
        }
    }
    return nullptr;
}

// DCMTK reads, writes and frees a dataset by recursion: a report nested as deeply as the control
// accepts takes some 30 MB of stack to read, more than a main thread may use by default. The
// main thread's stack grows up to the limit of the moment, so the limit is raised (as far as the
// hard limit lets) before any command runs.
constexpr rlim_t kStackBytes = rlim_t{256} << 20;

void AllowDeepStack()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < kStackBytes) {
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? kStackBytes : std::min(kStackBytes, limit.rlim_max);
        setrlimit(RLIMIT_STACK, &limit);
    }
}

int Fail(const char* command, ExitCode code, const std::string& message)
{
    if (code == ExitCode::Usage && command != nullptr) {
        std::fprintf(stderr, "srreport %s: %s (see srreport %s --help)\n", command, message.c_str(), command);
    } else {
        std::fprintf(stderr, "srreport: %s\n", message.c_str());
    }
    return static_cast<int>(code);
}


} // namespace

int RunProgram(int argc, char** argv, const std::vector<const Command*>& commands)
{
    // Texts on the command line and in files are UTF-8 whatever the user's locale says.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    // A peer or a worker that goes away shows up as a failed write, not as a dead program.
    std::signal(SIGPIPE, SIG_IGN);
    // DCMTK's own log would print a second, multi-line account of each failure.
    OFLog::configure(OFLogger::OFF_LOG_LEVEL);

    if (argc < 2) {
        return Fail(nullptr, ExitCode::Usage, "no command given (see srreport --help)");
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintHelp(commands);
        return 0;
    }
    const Command* command = Find(commands, argv[1]);
    if (command == nullptr) {
        return Fail(nullptr, ExitCode::Usage, std::string("unknown command \"") + argv[1] + "\" (see srreport --help)");
    }
    AllowDeepStack();
    try {
        return static_cast<int>(command->run(argc - 1, argv + 1));
    } catch (const HelpRequested&) {
        std::printf("%s\n%s", command->usage, kExitCodeHelp);
        return 0;
    } catch (const Failure& failure) {
        return Fail(command->name, failure.Code(), failure.what());
    } catch (const std::exception& error) {
        return Fail(command->name, ExitCode::Failed, error.what());
    }
}
