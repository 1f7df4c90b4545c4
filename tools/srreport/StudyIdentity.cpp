#include "StudyIdentity.h"

#include "Failure.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcelem.h>
#include <dcmtk/dcmdata/dcitem.h>

namespace StudyIdentity {
namespace {

// Present in every instance, empty where the report has none.
const DcmTagKey kAlways[] = {
    DCM_PatientName, DCM_PatientID, DCM_PatientBirthDate, DCM_PatientSex, DCM_StudyDate, DCM_StudyTime,
    DCM_ReferringPhysicianName, DCM_StudyID, DCM_AccessionNumber,
};
// Taken over only when the report has them.
const DcmTagKey kWhenPresent[] = {
    DCM_SpecificCharacterSet, DCM_IssuerOfPatientID, DCM_OtherPatientIDsSequence,
    DCM_IssuerOfAccessionNumberSequence, DCM_PatientAge, DCM_StudyDescription, DCM_StudyInstanceUID,
};

void Check(const OFCondition& status)
{
    if (status.bad()) {
        throw Failure(ExitCode::Failed, std::string("cannot copy the patient and study: ") + status.text());
    }
}

void CopyElement(DcmItem& from, DcmItem& to, const DcmTagKey& tag, bool always)
{
    DcmElement* element = nullptr;
    if (from.findAndGetElement(tag, element).good() && element != nullptr) {
        Check(to.insert(static_cast<DcmElement*>(element->clone()), true));
    } else if (always) {
        Check(to.insertEmptyElement(tag));
    }
}

} // namespace

void Copy(DcmItem& report, DcmItem& instance)
{
    for (const DcmTagKey& tag : kWhenPresent) {
        CopyElement(report, instance, tag, false);
    }
    for (const DcmTagKey& tag : kAlways) {
        CopyElement(report, instance, tag, true);
    }
}

} // namespace StudyIdentity
