#pragma once

#include <memory>
#include <string>
#include <vector>

class DcmDataset;
class DcmFileFormat;

// The printed page of an SR document as an Encapsulated PDF instance: the same patient, study
// and identifiers as the report (StudyIdentity), a new series of its own (Modality DOC, numbered
// next to the report's), UIDs under the control's UID root, the report's title as Document
// Title, and a reference to the report it was printed from.
namespace EncapsulatedPdf {

std::unique_ptr<DcmFileFormat> Build(DcmDataset& report, const std::vector<unsigned char>& pdf);

} // namespace EncapsulatedPdf
