#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "Failure.h"
#include "ReportRunner.h"

namespace {

enum : int { kPrinter = 400, kPdf, kPdfDir, kQr };

const char* const kUsage =
    "usage: srreport print REPORT.dcm... (--printer QUEUE | --pdf OUT.pdf | --pdf-dir DIR) [-j N]\n"
    "\n"
    "Prints SR documents with the report control: on a CUPS queue, or as PDF files.\n"
    "\n"
    "  --printer QUEUE   print on this CUPS queue\n"
    "  --pdf FILE        write the printed report to this PDF file (one input)\n"
    "  --pdf-dir DIR     write each input's PDF into DIR, named like the input\n"
    "  --qr TEXT         print TEXT as each report's QR code\n"
    "  -j N              print N files at a time in N processes\n";

class PrintRunner : public ReportRunner {
public:
    PrintRunner(std::string queue, std::string qr) : m_strQueue(std::move(queue)), m_strQR(std::move(qr)) {}

    std::string Run(const Job& job) override
    {
        ReportSession& session = Session();
        session.SetQRText(m_strQR);
        if (!m_strQueue.empty()) {
            const OpenReport report(session, session.OpenReport(job.strInput));
            session.PrintOn(m_strQueue);
            return "";
        }
        const OpenReport report(session, session.OpenReport(job.strInput));
        session.PrintToPdf(job.strOutput);
        return "";
    }

private:
    std::string m_strQueue;
    std::string m_strQR;
};

ExitCode Run(int argc, char** argv)
{
    std::string queue;
    std::string pdf;
    std::string pdfDir;
    std::string qr;
    int workers = 1;
    const option options[] = {
        {"printer", required_argument, nullptr, kPrinter},
        {"pdf", required_argument, nullptr, kPdf},
        {"pdf-dir", required_argument, nullptr, kPdfDir},
        {"qr", required_argument, nullptr, kQr},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const auto files = CommandLine::Parse(argc, argv, "hj:", options, [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case kPrinter: queue = value; break;
        case kPdf: pdf = value; break;
        case kPdfDir: pdfDir = value; break;
        case kQr: qr = value; break;
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "report");
    if (!queue.empty() && !(pdf.empty() && pdfDir.empty())) {
        throw Failure(ExitCode::Usage, "print either on a --printer or to PDF, not both");
    }
    Batch batch(queue.empty() ? CommandLine::JobsFor(files, pdf, pdfDir, ".pdf", "--pdf", "--pdf-dir") : CommandLine::JobsFor(files),
                workers);
    return batch.Run([&queue, &qr] { return std::make_unique<PrintRunner>(queue, qr); });
}

} // namespace

const Command kPrintCommand{"print", "print reports on a CUPS queue or to PDF files", kUsage, Run};
