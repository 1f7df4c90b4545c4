#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "OutputFile.h"
#include "OwnedBitmap.h"
#include "PngFile.h"
#include "ReportRunner.h"

namespace {

enum : int { kOutputDir = 400, kSize };

const char* const kUsage =
    "usage: srreport preview TEMPLATE.xml... (-o THUMB.png | --out-dir DIR) [--size WxH] [-j N]\n"
    "\n"
    "Renders report templates, without document values, into PNG thumbnails that keep the\n"
    "page's proportions.\n"
    "\n"
    "  -o, --output FILE  the PNG file to write (one input)\n"
    "  --out-dir DIR      write each template's PNG into DIR, named like the template\n"
    "  --size WxH         the box the thumbnail fits into (default: a square of the page's width)\n"
    "  -j N               render N templates at a time in N processes\n";

class PreviewRunner : public ReportRunner {
public:
    PreviewRunner(int width, int height) : m_nWidth(width), m_nHeight(height) {}

    std::string Run(const Job& job) override
    {
        OutputFile png(job.strOutput);
        const OwnedBitmap preview(Session().Preview(job.strInput, m_nWidth, m_nHeight));
        png.Write(EncodePng(preview.Get()));
        png.Commit();
        return "";
    }

private:
    int m_nWidth;
    int m_nHeight;
};

ExitCode Run(int argc, char** argv)
{
    std::string output;
    std::string outputDir;
    int width = 0;
    int height = 0;
    int workers = 1;
    const option options[] = {
        {"output", required_argument, nullptr, 'o'},
        {"out-dir", required_argument, nullptr, kOutputDir},
        {"size", required_argument, nullptr, kSize},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const auto files = CommandLine::Parse(argc, argv, "ho:j:", options, [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'o': output = value; break;
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case kOutputDir: outputDir = value; break;
        case kSize: CommandLine::ParseSize(value, width, height); break;
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "template");
    Batch batch(CommandLine::JobsFor(files, output, outputDir, ".png", "-o", "--out-dir"), workers);
    return batch.Run([width, height] { return std::make_unique<PreviewRunner>(width, height); });
}

} // namespace

const Command kPreviewCommand{"preview", "render report templates into thumbnails", kUsage, Run};
