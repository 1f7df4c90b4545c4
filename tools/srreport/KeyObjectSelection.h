#pragma once

#include "platform/kmdicom/KMDcmImageReference.h"

#include <memory>
#include <vector>

class DcmDataset;
class DcmFileFormat;

// A report's key images as a Key Object Selection document, the form in which viewers show a
// study's key images: titled "Of Interest", the report's author as observer, one IMAGE reference
// per key image (frames named), every referenced instance in its evidence; the same patient and
// study as the report (StudyIdentity), a new series (Modality KO), UIDs under the control's root.
namespace KeyObjectSelection {

// Throws Failure (input error) for a report without key images, and when DCMTK refuses a part.
std::unique_ptr<DcmFileFormat> Build(DcmDataset& report, const std::vector<KMDcmImageReference>& images);

} // namespace KeyObjectSelection
