#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "DicomInput.h"
#include "EncapsulatedPdf.h"
#include "Failure.h"
#include "OutputFile.h"
#include "ReportRunner.h"
#include "TempFolder.h"

#include <dcmtk/dcmdata/dcfilefo.h>

#include <fstream>
#include <iterator>

namespace {

enum : int { kOutputDir = 400 };

const char* const kUsage =
    "usage: srreport export-pdf REPORT.dcm... (-o REPORT-PDF.dcm | --out-dir DIR) [-j N]\n"
    "\n"
    "Prints SR documents and writes each printed report as a DICOM Encapsulated PDF instance:\n"
    "the same patient and study, a new series (Modality DOC), the report's title as Document\n"
    "Title, and a reference to the SR document.\n"
    "\n"
    "  -o, --output FILE  the DICOM file to write (one input)\n"
    "  --out-dir DIR      write each input's instance into DIR as NAME-pdf.dcm\n"
    "  -j N               export N files at a time in N processes\n";

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        throw Failure(ExitCode::Failed, "cannot read back the printed report");
    }
    return bytes;
}

class ExportRunner : public ReportRunner {
public:
    std::string Run(const Job& job) override
    {
        ReportSession& session = Session();
        OutputFile output(job.strOutput);
        TempFolder folder;
        const std::string pdf = folder.File("report.pdf");
        {
            // The control refuses what DCMTK's own reading below could not hold.
            const OpenReport report(session, session.OpenReport(job.strInput));
            session.PrintToPdf(pdf);
        }
        const auto document = DicomInput::LoadReport(job.strInput);
        const auto instance = EncapsulatedPdf::Build(*document->getDataset(), ReadBytes(pdf));
        const OFCondition status = instance->saveFile(output.TempPath().c_str(), EXS_LittleEndianExplicit);
        if (status.bad()) {
            throw Failure(ExitCode::Output, "cannot write " + job.strOutput + ": " + status.text());
        }
        output.Commit();
        return "";
    }
};

ExitCode Run(int argc, char** argv)
{
    std::string output;
    std::string outputDir;
    int workers = 1;
    const option options[] = {
        {"output", required_argument, nullptr, 'o'},
        {"out-dir", required_argument, nullptr, kOutputDir},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const auto files = CommandLine::Parse(argc, argv, "ho:j:", options, [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'o': output = value; break;
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case kOutputDir: outputDir = value; break;
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "report");
    Batch batch(CommandLine::JobsFor(files, output, outputDir, "-pdf.dcm", "-o", "--out-dir"), workers);
    return batch.Run([] { return std::make_unique<ExportRunner>(); });
}

} // namespace

const Command kExportPdfCommand{"export-pdf", "write printed reports as DICOM Encapsulated PDF instances", kUsage, Run};
