#include "ExportCommand.h"

#include "CommandLine.h"
#include "Command.h"
#include "DicomInput.h"
#include "Failure.h"
#include "OutputFile.h"
#include "ReportEdits.h"
#include "platform/kmdicom/KMDcmIO.h"

#include <dcmtk/dcmdata/dcfilefo.h>

namespace {

enum : int { kOutputDir = 400, kUidRoot };

} // namespace

std::string ExportRunner::Run(const Job& job)
{
    ReportSession& session = Session();
    OutputFile output(job.strOutput);
    DicomInput::RefuseVerifiedTarget(job.strOutput);
    {
        const OpenReport report(session, session.OpenReport(job.strInput));
        Take(session, *report.Get());
    }
    const auto document = DicomInput::LoadReport(job.strInput);
    const auto instance = Build(*document->getDataset());
    std::string bytes;
    std::string reason;
    if (!KMDcmIO::Write(*instance, bytes, reason)) {
        throw Failure(ExitCode::Failed, "cannot encode " + job.strOutput + ": " + reason);
    }
    output.Write(bytes);
    output.Commit();
    return "";
}

ExitCode RunExportCommand(int argc, char** argv, const char* suffix, const RunnerFactory& factory)
{
    std::string output;
    std::string outputDir;
    int workers = 1;
    const option options[] = {
        {"output", required_argument, nullptr, 'o'},
        {"out-dir", required_argument, nullptr, kOutputDir},
        {"uid-root", required_argument, nullptr, kUidRoot},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const auto files = CommandLine::Parse(argc, argv, "ho:j:", options, [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'o': output = value; break;
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case kOutputDir: outputDir = value; break;
        case kUidRoot: UseUidRoot(value); break;
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "report");
    Batch batch(CommandLine::JobsFor(files, output, outputDir, suffix, "-o", "--out-dir"), workers);
    return batch.Run(factory);
}
