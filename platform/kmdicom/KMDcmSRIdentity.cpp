// KMDcmSR's identity among other instances, in dataset-level attributes of their own: the order
// the document answers, and the earlier instances it replaces.
#include "platform/kmdicom/KMDcmSR.h"

#include "platform/kmdicom/KMDcmCharset.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "platform/kmdicom/KMDcmUtil.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcsequen.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The item of `sequence` in `parent` whose `key` holds `uid`, appended when there is none.
DcmItem* ItemFor(DcmItem& parent, const DcmTagKey& sequence, const DcmTagKey& key, const std::string& uid)
{
    DcmSequenceOfItems* items = nullptr;
    if (parent.findAndGetSequence(sequence, items).good() && items != nullptr) {
        for (unsigned long i = 0; i < items->card(); ++i) {
            OFString value;
            if (items->getItem(i)->findAndGetOFString(key, value).good() && value == uid.c_str()) {
                return items->getItem(i);
            }
        }
    }
    DcmItem* added = nullptr;
    if (parent.findOrCreateSequenceItem(sequence, added, -2).bad() || added == nullptr ||
        added->putAndInsertString(key, uid.c_str()).bad()) {
        return nullptr;
    }
    return added;
}

// Clones `tag` of `from` into `to`; an empty element of `tag` when `from` has none and `always`.
void CopyElement(DcmItem& from, DcmItem& to, const DcmTagKey& tag, bool always)
{
    DcmElement* element = nullptr;
    if (from.findAndGetElement(tag, element).good() && element != nullptr) {
        to.insert(static_cast<DcmElement*>(element->clone()), OFTrue);
    } else if (always) {
        to.insertEmptyElement(tag);
    }
}

bool Has(DcmItem& item, const DcmTagKey& tag)
{
    OFString value;
    return item.findAndGetOFString(tag, value).good() && !value.empty();
}

// One Referenced Request item from what the image says of its request: the item of its Request
// Attributes Sequence, or the image itself when it has none. The attributes DICOM wants present
// are, empty where the image does not know them.
void AddRequest(DcmItem& image, DcmItem& request, DcmSequenceOfItems& requests)
{
    auto* item = new DcmItem;
    for (const DcmTagKey& tag : {DCM_StudyInstanceUID, DCM_AccessionNumber}) {
        CopyElement(Has(request, tag) ? request : image, *item, tag, true);
    }
    for (const DcmTagKey& tag : {DCM_ReferencedStudySequence, DCM_PlacerOrderNumberImagingServiceRequest,
                                 DCM_FillerOrderNumberImagingServiceRequest, DCM_RequestedProcedureID,
                                 DCM_RequestedProcedureDescription, DCM_RequestedProcedureCodeSequence}) {
        CopyElement(request, *item, tag, true);
    }
    for (const DcmTagKey& tag : {DCM_IssuerOfAccessionNumberSequence, DCM_ReasonForTheRequestedProcedure,
                                 DCM_ReasonForRequestedProcedureCodeSequence}) {
        CopyElement(request, *item, tag, false);
    }
    requests.insert(item);
}

} // namespace

bool KMDcmSR::TakeRequest(const KMDcmDataset& image)
{
    const KMDcmLog quiet;
    if (!image.IsBound()) {
        return false;
    }
    DcmItem& source = *image.GetItem();
    DcmDataset taken;
    OFString retired;
    if (source.tagExists(DCM_OtherPatientIDsSequence)) {
        CopyElement(source, taken, DCM_OtherPatientIDsSequence, false);
    } else if (source.findAndGetOFStringArray(DCM_RETIRED_OtherPatientIDs, retired).good() && !retired.empty()) {
        // The retired text form becomes the sequence, as DICOM describes the move.
        auto* others = new DcmSequenceOfItems(DCM_OtherPatientIDsSequence);
        taken.insert(others, OFTrue);
        for (size_t start = 0; start <= retired.size();) {
            const size_t end = std::min(retired.find('\\', start), retired.size());
            auto* item = new DcmItem;
            item->putAndInsertString(DCM_PatientID, retired.substr(start, end - start).c_str());
            item->putAndInsertString(DCM_TypeOfPatientID, "TEXT");
            others->insert(item);
            start = end + 1;
        }
    }
    DcmSequenceOfItems* procedures = nullptr;
    if (source.findAndGetSequence(DCM_ProcedureCodeSequence, procedures).good() && procedures != nullptr) {
        auto* performed = new DcmSequenceOfItems(DCM_PerformedProcedureCodeSequence);
        for (unsigned long i = 0; i < procedures->card(); ++i) {
            performed->insert(new DcmItem(*procedures->getItem(i)));
        }
        taken.insert(performed, OFTrue);
    }
    DcmSequenceOfItems* attributes = nullptr;
    if (source.tagExists(DCM_ReferencedRequestSequence)) {
        CopyElement(source, taken, DCM_ReferencedRequestSequence, false);
    } else if (source.findAndGetSequence(DCM_RequestAttributesSequence, attributes).good() && attributes != nullptr &&
               attributes->card() > 0) {
        auto* requests = new DcmSequenceOfItems(DCM_ReferencedRequestSequence);
        for (unsigned long i = 0; i < attributes->card(); ++i) {
            AddRequest(source, *attributes->getItem(i), *requests);
        }
        taken.insert(requests, OFTrue);
    } else if (Has(source, DCM_AccessionNumber)) {
        auto* requests = new DcmSequenceOfItems(DCM_ReferencedRequestSequence);
        AddRequest(source, source, *requests);
        taken.insert(requests, OFTrue);
    }
    if (taken.card() == 0) {
        return true;
    }
    // The texts move as UTF-8, which Copy brings into the document's own character set.
    if (!KMDcmCharset::ConvertToUtf8(taken, KMDcmCharset::Of(*image.GetRoot()))) {
        return false;
    }
    taken.putAndInsertString(DCM_SpecificCharacterSet, "ISO_IR 192");
    KMDcmDataset view;
    view.Bind(&taken, &taken);
    return Copy(&view);
}

bool KMDcmSR::StartNewVersion()
{
    KMDcmDataset& dataset = *GetDataset();
    std::string instance;
    KMString next;
    if (!dataset.GetUID(KMDcmTag::SOPInstanceUID, instance) || !KMDcmUtil::GenerateUID(next)) {
        return false;
    }
    std::string study;
    std::string series;
    std::string sopClass;
    dataset.GetUID(KMDcmTag::StudyInstanceUID, study);
    dataset.GetUID(KMDcmTag::SeriesInstanceUID, series);
    dataset.GetUID(KMDcmTag::SOPClassUID, sopClass);
    // The earlier instance is written into a copy of the sequence, which replaces the document's
    // only when every step succeeded.
    DcmItem scratch;
    DcmElement* existing = nullptr;
    if (dataset.GetItem()->findAndGetElement(DCM_PredecessorDocumentsSequence, existing).good() && existing != nullptr) {
        scratch.insert(static_cast<DcmElement*>(existing->clone()));
    }
    DcmItem* studyItem = ItemFor(scratch, DCM_PredecessorDocumentsSequence, DCM_StudyInstanceUID, study);
    DcmItem* seriesItem = studyItem != nullptr ? ItemFor(*studyItem, DCM_ReferencedSeriesSequence, DCM_SeriesInstanceUID, series)
                                               : nullptr;
    DcmItem* sopItem = seriesItem != nullptr ? ItemFor(*seriesItem, DCM_ReferencedSOPSequence, DCM_ReferencedSOPInstanceUID, instance)
                                             : nullptr;
    DcmElement* sequence = nullptr;
    if (sopItem == nullptr || sopItem->putAndInsertString(DCM_ReferencedSOPClassUID, sopClass.c_str()).bad() ||
        scratch.findAndGetElement(DCM_PredecessorDocumentsSequence, sequence).bad() || sequence == nullptr ||
        dataset.GetItem()->insert(static_cast<DcmElement*>(sequence->clone()), true).bad()) {
        return false;
    }
    std::string number;
    const long current = dataset.GetString(KMDcmTag::InstanceNumber, number) ? std::strtol(number.c_str(), nullptr, 10) : 0;
    dataset.SetInt32(KMDcmTag::InstanceNumber, current > 0 && current < 0x7FFFFFFF ? static_cast<int>(current) + 1 : 1, 0);
    dataset.SetString(KMDcmTag::SOPInstanceUID, next);
    return true;
}
