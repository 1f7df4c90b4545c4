#include "EncapsulatedPdf.h"

#include "DerivedInstance.h"
#include "Failure.h"
#include "StudyIdentity.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/ofstd/ofdatime.h>

namespace EncapsulatedPdf {
namespace {

constexpr const char* kDefaultTitle = "Report";

void Check(const OFCondition& status, const char* what)
{
    if (status.bad()) {
        throw Failure(ExitCode::Failed, std::string("cannot build the Encapsulated PDF (") + what + "): " + status.text());
    }
}

// The report's title: the meaning of the concept name of its root container.
void CopyTitle(DcmItem& report, DcmItem& pdf)
{
    DcmElement* concept = nullptr;
    DcmItem* code = nullptr;
    OFString title;
    if (report.findAndGetSequenceItem(DCM_ConceptNameCodeSequence, code, 0).good() && code != nullptr &&
        report.findAndGetElement(DCM_ConceptNameCodeSequence, concept).good()) {
        code->findAndGetOFString(DCM_CodeMeaning, title);
        Check(pdf.insert(static_cast<DcmElement*>(concept->clone()), true), "the concept name");
    } else {
        Check(pdf.insertEmptyElement(DCM_ConceptNameCodeSequence), "the concept name");
    }
    Check(pdf.putAndInsertString(DCM_DocumentTitle, title.empty() ? kDefaultTitle : title.c_str()), "the title");
}

void ReferToReport(DcmItem& report, DcmItem& pdf)
{
    DcmItem* source = nullptr;
    Check(pdf.findOrCreateSequenceItem(DCM_SourceInstanceSequence, source, 0), "the source reference");
    OFString value;
    report.findAndGetOFString(DCM_SOPClassUID, value);
    Check(source->putAndInsertString(DCM_ReferencedSOPClassUID, value.c_str()), "the source reference");
    report.findAndGetOFString(DCM_SOPInstanceUID, value);
    Check(source->putAndInsertString(DCM_ReferencedSOPInstanceUID, value.c_str()), "the source reference");
}

} // namespace

std::unique_ptr<DcmFileFormat> Build(DcmDataset& report, const std::vector<unsigned char>& pdf)
{
    if (pdf.empty()) {
        throw Failure(ExitCode::Failed, "the printed report is empty");
    }
    auto file = std::make_unique<DcmFileFormat>();
    DcmDataset& out = *file->getDataset();
    StudyIdentity::Copy(report, out);
    OFString date;
    OFString time;
    OFDateTime::getCurrentDateTime().getDate().getISOFormattedDate(date, false);
    OFDateTime::getCurrentDateTime().getTime().getISOFormattedTime(time, true, false, false, false);
    const std::string now = std::string(date.c_str()) + time.c_str();

    Check(out.putAndInsertString(DCM_SOPClassUID, UID_EncapsulatedPDFStorage), "the SOP class");
    Check(out.putAndInsertString(DCM_SOPInstanceUID, DerivedInstance::NewUid("the Encapsulated PDF").c_str()), "the UIDs");
    Check(out.putAndInsertString(DCM_SeriesInstanceUID, DerivedInstance::NewUid("the Encapsulated PDF").c_str()), "the UIDs");
    Check(out.putAndInsertString(DCM_InstanceCreationDate, date.c_str()), "the dates");
    Check(out.putAndInsertString(DCM_InstanceCreationTime, time.c_str()), "the dates");
    Check(out.putAndInsertString(DCM_Modality, "DOC"), "the series");
    Check(out.putAndInsertString(DCM_SeriesNumber, DerivedInstance::SeriesNumber(report, 1).c_str()), "the series");
    Check(out.putAndInsertString(DCM_InstanceNumber, "1"), "the series");
    Check(out.putAndInsertString(DCM_Manufacturer, "srctrl"), "the equipment");
    // Workstation: the document was made by a program, not scanned.
    Check(out.putAndInsertString(DCM_ConversionType, "WSD"), "the equipment");
    Check(out.putAndInsertString(DCM_ContentDate, date.c_str()), "the dates");
    Check(out.putAndInsertString(DCM_ContentTime, time.c_str()), "the dates");
    Check(out.putAndInsertString(DCM_AcquisitionDateTime, now.c_str()), "the dates");
    // The page carries the patient's name and identifiers in its text.
    Check(out.putAndInsertString(DCM_BurnedInAnnotation, "YES"), "the document");
    CopyTitle(report, out);
    ReferToReport(report, out);
    Check(out.putAndInsertString(DCM_MIMETypeOfEncapsulatedDocument, "application/pdf"), "the document");
    // OB values have an even length; the padding byte is outside the PDF's stated length.
    std::vector<Uint8> bytes(pdf.begin(), pdf.end());
    if (bytes.size() % 2 != 0) {
        bytes.push_back(0);
    }
    Check(out.putAndInsertUint8Array(DCM_EncapsulatedDocument, bytes.data(), static_cast<unsigned long>(bytes.size())),
          "the document");
    Check(out.putAndInsertUint32(DCM_EncapsulatedDocumentLength, static_cast<Uint32>(pdf.size())), "the document");
    return file;
}

} // namespace EncapsulatedPdf
