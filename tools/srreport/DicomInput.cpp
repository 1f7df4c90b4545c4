#include "DicomInput.h"

#include "Failure.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>

#include <cerrno>
#include <sys/stat.h>

namespace DicomInput {

std::unique_ptr<DcmFileFormat> Load(const std::string& path)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) {
        throw Failure(ExitCode::Input, SystemError("cannot read", path, errno));
    }
    if (!S_ISREG(info.st_mode)) {
        throw Failure(ExitCode::Input, "cannot read " + path + ": not a regular file");
    }
    auto file = std::make_unique<DcmFileFormat>();
    const OFCondition status = file->loadFile(path.c_str());
    if (status.bad()) {
        throw Failure(ExitCode::Input, path + " is not a DICOM file (" + status.text() + ")");
    }
    return file;
}

std::unique_ptr<DcmFileFormat> LoadReport(const std::string& path)
{
    auto file = Load(path);
    OFString modality;
    file->getDataset()->findAndGetOFString(DCM_Modality, modality);
    if (modality != "SR") {
        throw Failure(ExitCode::Input, path + " is not an SR document (Modality is " +
                                           (modality.empty() ? std::string("missing") : modality.c_str()) + ")");
    }
    return file;
}

} // namespace DicomInput
