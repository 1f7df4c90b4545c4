#include "Command.h"

#include "DicomInput.h"
#include "ExportCommand.h"
#include "Failure.h"
#include "KeyObjectSelection.h"
#include "OutputFile.h"
#include "ReportRunner.h"
#include "platform/kmdicom/KMDcmIO.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "report/IKMReport.h"

#include <dcmtk/dcmdata/dcfilefo.h>

namespace {

const char* const kUsage =
    "usage: srreport export-kos REPORT.dcm... (-o KOS.dcm | --out-dir DIR) [-j N]\n"
    "\n"
    "Writes the key images of SR documents as DICOM Key Object Selection documents, the form in\n"
    "which viewers show a study's key images: titled \"Of Interest\", the report's author as\n"
    "observer, a reference to each key image made from a DICOM image, the same patient and\n"
    "study, a new series (Modality KO).\n"
    "\n"
    "  -o, --output FILE  the DICOM file to write (one input)\n"
    "  --out-dir DIR      write each input's document into DIR as NAME-kos.dcm\n"
    "  --uid-root ROOT    make new UIDs under ROOT, the site's own (default 2.25: UUIDs)\n"
    "  -j N               export N files at a time in N processes\n";

class ExportKosRunner : public ReportRunner {
public:
    std::string Run(const Job& job) override
    {
        ReportSession& session = Session();
        OutputFile output(job.strOutput);
        DicomInput::RefuseVerifiedTarget(job.strOutput);
        std::vector<KMDcmImageReference> images;
        {
            // The control refuses what DCMTK's own reading below could not hold.
            const OpenReport report(session, session.OpenReport(job.strInput));
            images = report->GetDcmSR()->GetKeyImages();
        }
        const auto document = DicomInput::LoadReport(job.strInput);
        const auto instance = KeyObjectSelection::Build(*document->getDataset(), images);
        std::string bytes;
        std::string reason;
        if (!KMDcmIO::Write(*instance, bytes, reason)) {
            throw Failure(ExitCode::Failed, "cannot encode " + job.strOutput + ": " + reason);
        }
        output.Write(bytes);
        output.Commit();
        return "";
    }
};

ExitCode Run(int argc, char** argv)
{
    return RunExportCommand(argc, argv, "-kos.dcm", [] { return std::make_unique<ExportKosRunner>(); });
}

} // namespace

const Command kExportKosCommand{"export-kos", "write reports' key images as DICOM Key Object Selection documents", kUsage,
                                Run};
