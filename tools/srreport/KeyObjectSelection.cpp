#include "KeyObjectSelection.h"

#include "DerivedInstance.h"
#include "Failure.h"
#include "StudyIdentity.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmsr/dsrdoc.h>
#include <dcmtk/dcmsr/dsrimgtn.h>

namespace KeyObjectSelection {
namespace {

void Check(const OFCondition& status, const char* what)
{
    if (status.bad()) {
        throw Failure(ExitCode::Failed, std::string("cannot build the Key Object Selection document (") + what +
                                            "): " + status.text());
    }
}

// The name in the report's own author item (a child of its root), in the report's character
// set; empty for a report without one.
OFString AuthorOf(DcmItem& report)
{
    DcmSequenceOfItems* content = nullptr;
    if (report.findAndGetSequence(DCM_ContentSequence, content).bad() || content == nullptr) {
        return "";
    }
    for (unsigned long i = 0; i < content->card(); ++i) {
        DcmItem* item = content->getItem(i);
        OFString relationship;
        OFString type;
        OFString code;
        OFString scheme;
        OFString name;
        item->findAndGetOFString(DCM_RelationshipType, relationship);
        item->findAndGetOFString(DCM_ValueType, type);
        item->findAndGetOFString(DCM_CodeValue, code, 0, true);
        item->findAndGetOFString(DCM_CodingSchemeDesignator, scheme, 0, true);
        if (relationship == "HAS OBS CONTEXT" && type == "PNAME" && code == "121008" && scheme == "DCM" &&
            item->findAndGetOFStringArray(DCM_PersonName, name).good() && !name.empty()) {
            return name;
        }
    }
    return "";
}

void AddObserver(DSRDocumentTree& tree, const OFString& author)
{
    Check(tree.addChildContentItem(DSRTypes::RT_hasObsContext, DSRTypes::VT_Code,
                                   DSRCodedEntryValue("121005", "DCM", "Observer Type")),
          "the observer");
    Check(tree.getCurrentContentItem().setCodeValue(DSRCodedEntryValue("121006", "DCM", "Person")), "the observer");
    Check(tree.addContentItem(DSRTypes::RT_hasObsContext, DSRTypes::VT_PName,
                              DSRCodedEntryValue("121008", "DCM", "Person Observer Name")),
          "the observer");
    // The name keeps the report's character set, which the document declares too.
    Check(tree.getCurrentContentItem().setStringValue(author, false), "the observer");
}

// Adds an image reference after the current item, or as the root's first child.
void AddImage(DSRDocument& document, const KMDcmImageReference& image, bool first)
{
    DSRDocumentTree& tree = document.getTree();
    const DSRTypes::E_AddMode mode = first ? DSRTypes::AM_belowCurrent : DSRTypes::AM_afterCurrent;
    Check(tree.addContentItem(DSRTypes::RT_contains, DSRTypes::VT_Image, mode) == 0 ? EC_IllegalCall : EC_Normal,
          "the images");
    DSRImageReferenceValue value(image.strSOPClassUID.c_str(), image.strSOPInstanceUID.c_str());
    if (image.nFrame > 0) {
        value.getFrameList().addItem(static_cast<Sint32>(image.nFrame));
    }
    Check(tree.getCurrentContentItem().setImageReference(value), "the images");
    Check(document.getCurrentRequestedProcedureEvidence().addItem(image.strStudyInstanceUID.c_str(),
                                                                  image.strSeriesInstanceUID.c_str(),
                                                                  image.strSOPClassUID.c_str(), image.strSOPInstanceUID.c_str()),
          "the evidence");
}

} // namespace

std::unique_ptr<DcmFileFormat> Build(DcmDataset& report, const std::vector<KMDcmImageReference>& images)
{
    if (images.empty()) {
        throw Failure(ExitCode::Input, "the report has no key images made from DICOM images");
    }
    DSRDocument document(DSRTypes::DT_KeyObjectSelectionDocument);
    DSRDocumentTree& tree = document.getTree();
    Check(tree.addContentItem(DSRTypes::RT_isRoot, DSRTypes::VT_Container) == 0 ? EC_IllegalCall : EC_Normal, "the root");
    Check(tree.getCurrentContentItem().setConceptName(DSRCodedEntryValue("113000", "DCM", "Of Interest")), "the title");
    // The template of key object selections, so that a viewer knows how to read the tree.
    Check(tree.getCurrentContentItem().setTemplateIdentification("2010", "DCMR"), "the template");
    const OFString author = AuthorOf(report);
    if (!author.empty()) {
        AddObserver(tree, author);
    }
    bool first = author.empty();
    for (const KMDcmImageReference& image : images) {
        AddImage(document, image, first);
        first = false;
    }
    Check(document.setManufacturer("srctrl"), "the equipment");

    auto file = std::make_unique<DcmFileFormat>();
    DcmDataset& out = *file->getDataset();
    Check(document.write(out), "the document");
    StudyIdentity::Copy(report, out);
    Check(out.putAndInsertString(DCM_SOPInstanceUID, DerivedInstance::NewUid("the Key Object Selection document").c_str()),
          "the UIDs");
    Check(out.putAndInsertString(DCM_SeriesInstanceUID, DerivedInstance::NewUid("the Key Object Selection document").c_str()),
          "the UIDs");
    Check(out.putAndInsertString(DCM_SeriesNumber, DerivedInstance::SeriesNumber(report, 2).c_str()), "the series");
    return file;
}

} // namespace KeyObjectSelection
