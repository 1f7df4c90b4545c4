#include "Command.h"

#include "EncapsulatedPdf.h"
#include "ExportCommand.h"
#include "Failure.h"
#include "TempFolder.h"
#include "platform/kmbase/KMFile.h"
#include "platform/kmdicom/KMDcmFile.h"

#include <dcmtk/dcmdata/dcfilefo.h>

namespace {

const char* const kUsage =
    "usage: srreport export-pdf REPORT.dcm... (-o REPORT-PDF.dcm | --out-dir DIR) [-j N]\n"
    "\n"
    "Prints SR documents and writes each printed report as a DICOM Encapsulated PDF instance:\n"
    "the same patient and study, a new series (Modality DOC), the report's title as Document\n"
    "Title, and a reference to the SR document.\n"
    "\n"
    "  -o, --output FILE  the DICOM file to write (one input)\n"
    "  --out-dir DIR      write each input's instance into DIR as NAME-pdf.dcm\n"
    "  --uid-root ROOT    make new UIDs under ROOT, the site's own (default 2.25: UUIDs)\n"
    "  -j N               export N files at a time in N processes\n";

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::string bytes;
    const KMFile::Error error = KMFile::Read(path.c_str(), KMDcmFile::kMaxFileBytes, bytes);
    if (error != KMFile::Error::None) {
        throw Failure(ExitCode::Failed, std::string("cannot read back the printed report: ") + KMFile::Reason(error));
    }
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

class PdfRunner : public ExportRunner {
protected:
    void Take(ReportSession& session, IKMReport&) override { session.PrintToPdf(m_strPdf); }
    std::unique_ptr<DcmFileFormat> Build(DcmDataset& report) override
    {
        return EncapsulatedPdf::Build(report, ReadBytes(m_strPdf));
    }

private:
    TempFolder m_folder;
    std::string m_strPdf = m_folder.File("report.pdf");
};

ExitCode Run(int argc, char** argv)
{
    return RunExportCommand(argc, argv, "-pdf.dcm", [] { return std::make_unique<PdfRunner>(); });
}

} // namespace

const Command kExportPdfCommand{"export-pdf", "write printed reports as DICOM Encapsulated PDF instances", kUsage, Run};
