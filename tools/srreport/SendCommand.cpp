#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "Failure.h"
#include "SendCommand.h"
#include "StoreClient.h"

#include <memory>

namespace {

enum : int { kTo = 400, kCallingAet, kTimeout };

const char* const kUsage =
    "usage: srreport send FILE.dcm... --to AET@HOST:PORT [--calling-aet AET] [--timeout S] [-j N]\n"
    "\n"
    "Stores DICOM files (reports, Encapsulated PDFs, any instance) on a peer such as a PACS with\n"
    "C-STORE. Every file that the peer did not store is named on standard error, and the exit\n"
    "status is not 0.\n"
    "\n"
    "  --to AET@HOST:PORT   the peer's AE title, host and port\n"
    "  --calling-aet AET    our AE title (default SRREPORT)\n"
    "  --timeout S          seconds to wait for the peer at each step (default 15)\n"
    "  -j N                 send N files at a time over N associations\n";

constexpr const char* kDefaultCallingAet = "SRREPORT";
constexpr int kDefaultTimeout = 15;

class SendRunner : public JobRunner {
public:
    SendRunner(Peer peer, std::string callingAet, int timeout)
        : m_peer(std::move(peer)), m_strCallingAet(std::move(callingAet)), m_nTimeout(timeout)
    {
    }

    std::string Run(const Job& job) override
    {
        if (!m_pClient) {
            m_pClient = std::make_unique<StoreClient>(m_peer, m_strCallingAet, m_nTimeout);
        }
        m_pClient->Store(job.strInput);
        return "";
    }

private:
    Peer m_peer;
    std::string m_strCallingAet;
    int m_nTimeout;
    std::unique_ptr<StoreClient> m_pClient;
};

ExitCode Run(int argc, char** argv)
{
    std::string to;
    std::string callingAet = kDefaultCallingAet;
    int timeout = kDefaultTimeout;
    int workers = 1;
    const option options[] = {
        {"to", required_argument, nullptr, kTo},
        {"calling-aet", required_argument, nullptr, kCallingAet},
        {"timeout", required_argument, nullptr, kTimeout},
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
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "file");
    if (to.empty()) {
        throw Failure(ExitCode::Usage, "--to AET@HOST:PORT is needed");
    }
    const Peer peer = Peer::Parse(to);
    Peer::CheckAet(callingAet, "--calling-aet");
    if (timeout < 1) {
        throw Failure(ExitCode::Usage, "the timeout is at least one second");
    }
    Batch batch(CommandLine::JobsFor(files), workers);
    return batch.Run([&] { return std::make_unique<SendRunner>(peer, callingAet, timeout); });
}

} // namespace

const Command kSendCommand{"send", kSendSummary, kUsage, Run};
