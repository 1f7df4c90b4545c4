// srreport's send subcommand: it runs srreport-send with the same command line, so that only
// sending loads DCMTK's network module and what that loads in turn.
#include "Command.h"
#include "Failure.h"
#include "SendCommand.h"

#include <cerrno>
#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Beside srreport in a build tree; in an installed tree, where GNU's folder layout puts helper
// programs, found from srreport's own folder so that the tree may be installed anywhere.
std::string SendProgram()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string folder = length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
    const std::string dir = folder.substr(0, folder.find_last_of('/') + 1);
    for (const std::string& candidate : {dir + "srreport-send", dir + SRREPORT_SEND_FROM_BINDIR}) {
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return dir + SRREPORT_SEND_FROM_BINDIR;
}

ExitCode Run(int argc, char** argv)
{
    const std::string program = SendProgram();
    std::vector<char*> arguments{const_cast<char*>("srreport")};
    arguments.insert(arguments.end(), argv, argv + argc);
    arguments.push_back(nullptr);
    execv(program.c_str(), arguments.data());
    throw Failure(ExitCode::Failed, SystemError("cannot run", program, errno));
}

} // namespace

const Command kSendCommand{"send", kSendSummary, "", Run};
