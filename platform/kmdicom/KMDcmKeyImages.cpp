#include "platform/kmdicom/KMDcmKeyImages.h"

#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmReportConcepts.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"

#include <algorithm>

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcerror.h>
#include <dcmtk/dcmdata/dcsequen.h>
#include <dcmtk/dcmdata/dcvrui.h>
#include <dcmtk/dcmsr/dsrsoprf.h>

namespace {

// Box `index`: item `index` of the Referenced Image Sequence; null when there is none.
DcmItem* Box(DcmItem& root, int index)
{
    DcmSequenceOfItems* boxes = nullptr;
    if (index < 0 || root.findAndGetSequence(DCM_ReferencedImageSequence, boxes).bad() || boxes == nullptr) {
        return nullptr;
    }
    return boxes->getItem(static_cast<unsigned long>(index));
}

// The source a box names; false for a box without one.
bool SourceOf(DcmItem* box, KMDcmImageReference& source)
{
    OFString classUid;
    OFString instance;
    Sint32 frame = 0;
    if (box == nullptr || box->findAndGetOFString(DCM_ReferencedSOPInstanceUID, instance).bad() || instance.empty()) {
        return false;
    }
    box->findAndGetOFString(DCM_ReferencedSOPClassUID, classUid);
    box->findAndGetSint32(DCM_ReferencedFrameNumber, frame);
    source.strSOPClassUID = classUid.c_str();
    source.strSOPInstanceUID = instance.c_str();
    source.nFrame = frame;
    return true;
}

// Whether a box other than `except` names `instance`, and `frame` unless it is below 0 (any).
bool Named(DcmItem& root, int except, const std::string& instance, int frame)
{
    KMDcmImageReference other;
    for (int i = 0; DcmItem* box = Box(root, i); ++i) {
        if (i != except && SourceOf(box, other) && other.strSOPInstanceUID == instance &&
            (frame < 0 || other.nFrame == frame)) {
            return true;
        }
    }
    return false;
}

bool IsUid(const std::string& uid)
{
    return !uid.empty() && DcmUniqueIdentifier::checkStringValue(uid.c_str(), "1").good();
}

// The two lists of evidence: the current procedure's, and other evidence (another study's).
struct Evidence {
    DSRSOPInstanceReferenceList current{DCM_CurrentRequestedProcedureEvidenceSequence};
    DSRSOPInstanceReferenceList other{DCM_PertinentOtherEvidenceSequence};

    bool Read(DcmItem& root, std::string& reason)
    {
        for (DSRSOPInstanceReferenceList* list : {&current, &other}) {
            const OFCondition status = list->read(root, 0);
            if (status.bad() && status != EC_TagNotFound) {
                reason = std::string("the document's evidence cannot be read: ") + status.text();
                return false;
            }
        }
        return true;
    }
    // Fills in the study and series of `source` from the list that holds it; false for none.
    bool Locate(KMDcmImageReference& source)
    {
        OFString uid;
        for (DSRSOPInstanceReferenceList* list : {&current, &other}) {
            if (list->gotoItem(source.strSOPClassUID.c_str(), source.strSOPInstanceUID.c_str()).good()) {
                source.strStudyInstanceUID = list->getStudyInstanceUID(uid).c_str();
                source.strSeriesInstanceUID = list->getSeriesInstanceUID(uid).c_str();
                return true;
            }
        }
        return false;
    }
    bool Write(DcmItem& root, DSRSOPInstanceReferenceList& list, const DcmTagKey& tag)
    {
        root.findAndDeleteElement(tag);
        return list.write(root).good();
    }
};

// Lists the source's instance in the evidence, unless it is there; `added` tells whether it was.
bool AddEvidence(DcmItem& root, const KMDcmImageReference& source, bool& added, std::string& reason)
{
    added = false;
    Evidence evidence;
    if (!evidence.Read(root, reason)) {
        return false;
    }
    const OFString classUid = source.strSOPClassUID.c_str();
    const OFString instance = source.strSOPInstanceUID.c_str();
    if (evidence.current.gotoItem(classUid, instance).good() || evidence.other.gotoItem(classUid, instance).good()) {
        return true;
    }
    OFString study;
    root.findAndGetOFString(DCM_StudyInstanceUID, study);
    const bool ours = study == source.strStudyInstanceUID.c_str();
    DSRSOPInstanceReferenceList& list = ours ? evidence.current : evidence.other;
    if (list.addItem(source.strStudyInstanceUID.c_str(), source.strSeriesInstanceUID.c_str(), classUid, instance).bad() ||
        !evidence.Write(root, list, ours ? DCM_CurrentRequestedProcedureEvidenceSequence : DCM_PertinentOtherEvidenceSequence)) {
        reason = "the image cannot be listed in the document's evidence";
        return false;
    }
    added = true;
    return true;
}

void RemoveEvidence(DcmItem& root, const KMDcmImageReference& source)
{
    Evidence evidence;
    std::string unused;
    if (!evidence.Read(root, unused)) {
        return;
    }
    const OFString classUid = source.strSOPClassUID.c_str();
    const OFString instance = source.strSOPInstanceUID.c_str();
    if (evidence.current.removeItem(classUid, instance).good()) {
        evidence.Write(root, evidence.current, DCM_CurrentRequestedProcedureEvidenceSequence);
    }
    if (evidence.other.removeItem(classUid, instance).good()) {
        evidence.Write(root, evidence.other, DCM_PertinentOtherEvidenceSequence);
    }
}

bool AddItem(KMDcmSR& sr, const KMDcmImageReference& source, std::string& reason)
{
    const KMDcmReportConcepts::Own& concept = KMDcmReportConcepts::KeyImageItem();
    return sr.AddImageItem(source.strSOPClassUID.c_str(), source.strSOPInstanceUID.c_str(), source.nFrame, concept.szCode,
                           concept.szScheme, concept.szMeaning, reason);
}

// Takes away what only the key image of box `index` made, once the box no longer names it.
void Release(KMDcmSR& sr, DcmItem& root, int index, const KMDcmImageReference& old)
{
    if (!Named(root, index, old.strSOPInstanceUID, old.nFrame)) {
        sr.RemoveImageItems(old.strSOPInstanceUID.c_str(), old.nFrame);
    }
    if (!Named(root, index, old.strSOPInstanceUID, -1) && !sr.ReferencesImage(old.strSOPInstanceUID.c_str())) {
        RemoveEvidence(root, old);
    }
}

} // namespace

bool KMDcmKeyImages::WriteBox(KMDcmDataset& dataset, int index, const std::vector<unsigned char>& jpeg, const KMDcmImageReference* source)
{
    KMDcmDataset view;
    if (!dataset.GetOrCreateSequenceItem(KMDcmTag::ReferencedImageSequence, view, index) ||
        !view.SetUint8Array(KMDcmTag::EncapsulatedDocument, jpeg.data(), static_cast<unsigned long>(jpeg.size()))) {
        return false;
    }
    DcmItem& box = *view.GetItem();
    box.findAndDeleteElement(DCM_ReferencedFrameNumber);
    if (source == nullptr) {
        box.findAndDeleteElement(DCM_ReferencedSOPClassUID);
        box.findAndDeleteElement(DCM_ReferencedSOPInstanceUID);
        return true;
    }
    return box.putAndInsertString(DCM_ReferencedSOPClassUID, source->strSOPClassUID.c_str()).good() &&
           box.putAndInsertString(DCM_ReferencedSOPInstanceUID, source->strSOPInstanceUID.c_str()).good() &&
           (source->nFrame <= 0 ||
            box.putAndInsertString(DCM_ReferencedFrameNumber, std::to_string(source->nFrame).c_str()).good());
}

bool KMDcmKeyImages::Set(KMDcmSR& sr, int index, const std::vector<unsigned char>& jpeg, const KMDcmImageReference* source,
                         std::string& reason)
{
    const KMDcmLog quiet;
    KMDcmDataset& dataset = *sr.GetDataset();
    DcmItem* root = dataset.GetItem();
    if (root == nullptr || index < 0 || index > KMDcmDataset::kMaxCreatedItem || jpeg.empty()) {
        reason = jpeg.empty() ? "no picture" : "no image box " + std::to_string(index);
        return false;
    }
    if (source != nullptr) {
        for (const std::string* uid : {&source->strSOPClassUID, &source->strSOPInstanceUID, &source->strStudyInstanceUID,
                                       &source->strSeriesInstanceUID}) {
            if (!IsUid(*uid)) {
                reason = "the image cannot be referenced: its SOP Class, SOP Instance, Study and Series Instance UIDs "
                         "must all be valid UIDs";
                return false;
            }
        }
    }
    KMDcmImageReference old;
    const bool hadOld = SourceOf(Box(*root, index), old);
    const bool same = hadOld && source != nullptr && old.strSOPInstanceUID == source->strSOPInstanceUID &&
                      old.nFrame == source->nFrame;
    bool addedItem = false;
    bool addedEvidence = false;
    if (source != nullptr && !same) {
        if (!Named(*root, index, source->strSOPInstanceUID, source->nFrame)) {
            if (!AddItem(sr, *source, reason)) {
                return false;
            }
            addedItem = true;
        }
        if (!AddEvidence(*root, *source, addedEvidence, reason)) {
            if (addedItem) {
                sr.RemoveImageItems(source->strSOPInstanceUID.c_str(), source->nFrame);
            }
            return false;
        }
    }
    if (!WriteBox(dataset, index, jpeg, source)) {
        if (addedEvidence) {
            RemoveEvidence(*root, *source);
        }
        if (addedItem) {
            sr.RemoveImageItems(source->strSOPInstanceUID.c_str(), source->nFrame);
        }
        reason = "picture not stored in the document";
        return false;
    }
    if (hadOld && !same) {
        Release(sr, *root, index, old);
    }
    // Which key images the boxes show is part of what the content model tells.
    dataset.Absorbed(0);
    return true;
}

bool KMDcmKeyImages::Clear(KMDcmSR& sr, int index)
{
    const KMDcmLog quiet;
    KMDcmDataset& dataset = *sr.GetDataset();
    DcmItem* root = dataset.GetItem();
    DcmItem* box = root != nullptr ? Box(*root, index) : nullptr;
    if (box == nullptr || !box->tagExists(DCM_EncapsulatedDocument)) {
        return false;
    }
    KMDcmImageReference old;
    const bool hadOld = SourceOf(box, old);
    for (const DcmTagKey& tag : {DCM_EncapsulatedDocument, DCM_ReferencedSOPClassUID, DCM_ReferencedSOPInstanceUID,
                                 DCM_ReferencedFrameNumber}) {
        box->findAndDeleteElement(tag);
    }
    // An empty item keeps the places of the boxes after it; at the end it stands for nothing.
    DcmSequenceOfItems* boxes = nullptr;
    root->findAndGetSequence(DCM_ReferencedImageSequence, boxes);
    while (boxes->card() > 0 && boxes->getItem(boxes->card() - 1)->card() == 0) {
        delete boxes->remove(boxes->card() - 1);
    }
    if (boxes->card() == 0) {
        root->findAndDeleteElement(DCM_ReferencedImageSequence);
    }
    if (hadOld) {
        Release(sr, *root, index, old);
    }
    dataset.Absorbed(0);
    return true;
}

std::vector<KMDcmImageReference> KMDcmKeyImages::Get(const KMDcmSR& sr)
{
    const KMDcmLog quiet;
    std::vector<KMDcmImageReference> found;
    DcmItem* root = sr.GetDataset()->GetItem();
    Evidence evidence;
    std::string unused;
    if (root == nullptr || !evidence.Read(*root, unused)) {
        return found;
    }
    KMDcmImageReference source;
    for (int i = 0; DcmItem* box = Box(*root, i); ++i) {
        const bool listed = SourceOf(box, source) && evidence.Locate(source);
        const bool again = std::any_of(found.begin(), found.end(), [&](const KMDcmImageReference& other) {
            return other.strSOPInstanceUID == source.strSOPInstanceUID && other.nFrame == source.nFrame;
        });
        if (listed && !again) {
            found.push_back(source);
        }
    }
    return found;
}
