#include "DicomInput.h"

#include "Failure.h"
#include "platform/kmdicom/KMDcmFile.h"
#include "platform/kmdicom/KMDcmIO.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>


namespace DicomInput {

std::unique_ptr<DcmFileFormat> Load(const std::string& path, bool bLoadAll)
{
    std::string reason;
    auto file = KMDcmIO::Load(path.c_str(), bLoadAll, KMDcmFile::kMaxFileBytes, reason);
    if (!file) {
        throw Failure(ExitCode::Input, reason);
    }
    return file;
}

std::unique_ptr<DcmFileFormat> LoadReport(const std::string& path)
{
    auto file = Load(path);
    OFString modality;
    file->getDataset()->findAndGetOFString(DCM_Modality, modality);
    RequireReport(path, modality.c_str());
    return file;
}

void RequireReport(const std::string& path, const std::string& modality)
{
    if (modality != "SR") {
        throw Failure(ExitCode::Input,
                      path + " is not an SR document (Modality is " + (modality.empty() ? std::string("missing") : modality) + ")");
    }
}

void RefuseVerifiedTarget(const std::string& path)
{
    std::string ignored;
    // Only what a DICOM file's attributes say matters here; any other file may be replaced.
    const auto file = KMDcmIO::Load(path.c_str(), false, KMDcmFile::kMaxFileBytes, ignored);
    OFString modality;
    OFString verification;
    if (file && file->getDataset()->findAndGetOFString(DCM_Modality, modality).good() && modality == "SR" &&
        file->getDataset()->findAndGetOFString(DCM_VerificationFlag, verification).good() && verification == "VERIFIED") {
        throw Failure(ExitCode::Input, path + " holds a verified report, which is never written over; write to another file");
    }
}

} // namespace DicomInput
