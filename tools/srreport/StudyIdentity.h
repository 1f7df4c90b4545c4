#pragma once

class DcmItem;

// The patient and study attributes that an instance made from a report (its Encapsulated PDF,
// a Key Object Selection document) takes over from it, so that an archive files it in the
// report's study and finds it by the same accession number and patient identifiers.
namespace StudyIdentity {

// Copies them from `report` into `instance`: those DICOM wants present in every instance always
// (empty where the report has none), the others where the report has them. Throws Failure when
// DCMTK refuses one.
void Copy(DcmItem& report, DcmItem& instance);

} // namespace StudyIdentity
