#include "ExportCommand.h"

#include "CommandLine.h"
#include "Command.h"
#include "ReportEdits.h"

namespace {

enum : int { kOutputDir = 400, kUidRoot };

} // namespace

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
