#include "Command.h"

#include "ExportCommand.h"
#include "KeyObjectSelection.h"
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

class KosRunner : public ExportRunner {
protected:
    void Take(ReportSession&, IKMReport& report) override { m_vecImages = report.GetDcmSR()->GetKeyImages(); }
    std::unique_ptr<DcmFileFormat> Build(DcmDataset& report) override
    {
        return KeyObjectSelection::Build(report, m_vecImages);
    }

private:
    std::vector<KMDcmImageReference> m_vecImages;
};

ExitCode Run(int argc, char** argv)
{
    return RunExportCommand(argc, argv, "-kos.dcm", [] { return std::make_unique<KosRunner>(); });
}

} // namespace

const Command kExportKosCommand{"export-kos", "write reports' key images as DICOM Key Object Selection documents", kUsage,
                                Run};
