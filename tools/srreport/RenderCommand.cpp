#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "OutputFile.h"
#include "OwnedBitmap.h"
#include "PngFile.h"
#include "ReportRunner.h"

namespace {

enum : int { kOutputDir = 400, kZoom };

const char* const kUsage =
    "usage: srreport render REPORT.dcm... (-o PAGE.png | --out-dir DIR) [--zoom Z] [-j N]\n"
    "\n"
    "Renders the page of SR documents as the control shows it, into PNG files.\n"
    "\n"
    "  -o, --output FILE  the PNG file to write (one input)\n"
    "  --out-dir DIR      write each input's PNG into DIR, named like the input\n"
    "  --zoom Z           scale of the page, 1 for one pixel per page unit (default 1)\n"
    "  -j N               render N files at a time in N processes\n";

class RenderRunner : public ReportRunner {
public:
    explicit RenderRunner(float zoom) : m_fZoom(zoom) {}

    std::string Run(const Job& job) override
    {
        ReportSession& session = Session();
        OutputFile png(job.strOutput);
        const OpenReport report(session, session.OpenReport(job.strInput));
        const OwnedBitmap page(session.CapturePage(report.Get(), m_fZoom));
        png.Write(EncodePng(page.Get()));
        png.Commit();
        return "";
    }

private:
    float m_fZoom;
};

ExitCode Run(int argc, char** argv)
{
    std::string output;
    std::string outputDir;
    float zoom = 1.0f;
    int workers = 1;
    const option options[] = {
        {"output", required_argument, nullptr, 'o'},
        {"out-dir", required_argument, nullptr, kOutputDir},
        {"zoom", required_argument, nullptr, kZoom},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const auto files = CommandLine::Parse(argc, argv, "ho:j:", options, [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'o': output = value; break;
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case kOutputDir: outputDir = value; break;
        case kZoom: zoom = CommandLine::ParsePositive(value, "zoom"); break;
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "report");
    Batch batch(CommandLine::JobsFor(files, output, outputDir, ".png", "-o", "--out-dir"), workers);
    return batch.Run([zoom] { return std::make_unique<RenderRunner>(zoom); });
}

} // namespace

const Command kRenderCommand{"render", "render report pages to PNG files", kUsage, Run};
