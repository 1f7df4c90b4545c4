#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "Failure.h"
#include "SendCommand.h"
#include "StoreClient.h"
#include "StowClient.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

enum : int { kTo = 400, kCallingAet, kTimeout, kStow, kUser, kCaCert };

constexpr const char* kPasswordVariable = "SRREPORT_PASSWORD";

const char* const kUsage =
    "usage: srreport send FILE.dcm... --to AET@HOST:PORT [--calling-aet AET] [--timeout S] [-j N]\n"
    "       srreport send FILE.dcm... --stow URL [--user NAME] [--cacert FILE] [--timeout S]\n"
    "\n"
    "Stores DICOM files (reports, Encapsulated PDFs, any instance) on a peer such as a PACS:\n"
    "with C-STORE, every file of a process in one association, each in its own transfer syntax\n"
    "where the peer takes it (converted only where it takes nothing else); or with DICOMweb\n"
    "STOW-RS, every file in one request. Every file that the peer did not store is named on\n"
    "standard error, and the exit status is not 0.\n"
    "\n"
    "  --to AET@HOST:PORT   C-STORE: the peer's AE title, host and port\n"
    "  --calling-aet AET    our AE title (default SRREPORT)\n"
    "  -j N                 send over N associations at once (C-STORE)\n"
    "  --stow URL           STOW-RS: the server's studies URL, such as\n"
    "                       https://pacs.example/dicom-web/studies\n"
    "  --user NAME          the user to authenticate as (HTTP basic); the password is read\n"
    "                       from the environment variable SRREPORT_PASSWORD, never from the\n"
    "                       command line\n"
    "  --cacert FILE        trust the certificates in FILE besides the system's (the server's\n"
    "                       certificate and name are always checked)\n"
    "  --timeout S          seconds to wait for the peer at each step (default 15)\n";

constexpr const char* kDefaultCallingAet = "SRREPORT";
constexpr int kDefaultTimeout = 15;

class StoreRunner : public JobRunner {
public:
    StoreRunner(Peer peer, std::string callingAet, int timeout, std::vector<std::string> files)
        : m_peer(std::move(peer)), m_strCallingAet(std::move(callingAet)), m_nTimeout(timeout), m_vecFiles(std::move(files))
    {
    }

    std::string Run(const Job& job) override
    {
        if (!m_pClient) {
            m_pClient = std::make_unique<StoreClient>(m_peer, m_strCallingAet, m_nTimeout, m_vecFiles);
        }
        m_pClient->Store(job.strInput);
        return "";
    }

private:
    Peer m_peer;
    std::string m_strCallingAet;
    int m_nTimeout;
    std::vector<std::string> m_vecFiles;
    std::unique_ptr<StoreClient> m_pClient;
};

// Sends every file in one request when the first is asked for, then answers each from the result.
class StowRunner : public JobRunner {
public:
    StowRunner(StowTarget target, std::vector<std::string> files) : m_target(std::move(target)), m_vecFiles(std::move(files)) {}

    std::string Run(const Job& job) override
    {
        if (m_mapResults.empty()) {
            const auto results = StowClient(m_target).Store(m_vecFiles);
            for (std::size_t i = 0; i < m_vecFiles.size(); ++i) {
                m_mapResults.emplace(m_vecFiles[i], results[i]);
            }
        }
        const auto found = m_mapResults.find(job.strInput);
        if (found != m_mapResults.end() && found->second) {
            throw *found->second;
        }
        return "";
    }

private:
    StowTarget m_target;
    std::vector<std::string> m_vecFiles;
    std::multimap<std::string, std::optional<Failure>> m_mapResults;
};

ExitCode Run(int argc, char** argv)
{
    std::string to;
    std::string callingAet = kDefaultCallingAet;
    StowTarget stow;
    int timeout = kDefaultTimeout;
    int workers = 1;
    const option options[] = {
        {"to", required_argument, nullptr, kTo},
        {"calling-aet", required_argument, nullptr, kCallingAet},
        {"timeout", required_argument, nullptr, kTimeout},
        {"stow", required_argument, nullptr, kStow},
        {"user", required_argument, nullptr, kUser},
        {"cacert", required_argument, nullptr, kCaCert},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const auto files = CommandLine::Parse(argc, argv, "hj:", options, [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case kTo: to = value; break;
        case kCallingAet: callingAet = value; break;
        case kTimeout: timeout = static_cast<int>(CommandLine::ParsePositive(value, "timeout")); break;
        case kStow: stow.strUrl = value; break;
        case kUser: stow.strUser = value; break;
        case kCaCert: stow.strCaFile = value; break;
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "file");
    if (to.empty() == stow.strUrl.empty()) {
        throw Failure(ExitCode::Usage, "give one peer: --to AET@HOST:PORT or --stow URL");
    }
    if (timeout < 1) {
        throw Failure(ExitCode::Usage, "the timeout is at least one second");
    }
    if (!to.empty()) {
        if (!stow.strUser.empty() || !stow.strCaFile.empty()) {
            throw Failure(ExitCode::Usage, "--user and --cacert are for --stow");
        }
        const Peer peer = Peer::Parse(to);
        Peer::CheckAet(callingAet, "--calling-aet");
        Batch batch(CommandLine::JobsFor(files), workers);
        return batch.Run([&] { return std::make_unique<StoreRunner>(peer, callingAet, timeout, files); });
    }

    StowClient::CheckUrl(stow.strUrl);
    if (!stow.strCaFile.empty() && access(stow.strCaFile.c_str(), R_OK) != 0) {
        throw Failure(ExitCode::Input, SystemError("cannot read the certificates", stow.strCaFile, errno));
    }
    if (workers != 1) {
        throw Failure(ExitCode::Usage, "--stow sends every file in one request: -j is for --to");
    }
    if (!stow.strUser.empty()) {
        const char* password = std::getenv(kPasswordVariable);
        if (password == nullptr) {
            throw Failure(ExitCode::Usage, std::string("--user needs the password in the environment variable ") +
                                               kPasswordVariable);
        }
        stow.strPassword = password;
    }
    stow.nTimeout = timeout;
    Batch batch(CommandLine::JobsFor(files), 1);
    return batch.Run([&] { return std::make_unique<StowRunner>(stow, files); });
}

} // namespace

const Command kSendCommand{"send", kSendSummary, kUsage, Run};
