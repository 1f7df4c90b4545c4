#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"

#include "platform/kmdicom/KMDcmCharset.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmText.h"
#include "platform/kmdicom/KMDcmUtil.h"
#include "platform/kmdicom/KMDcmVR.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcsequen.h>

#include <memory>
#include <vector>

namespace {

constexpr DWORD kValueType = 0x0040A040;
constexpr DWORD kRelationshipType = 0x0040A010;
constexpr DWORD kConceptNameCodeSequence = 0x0040A043;
constexpr DWORD kCodeValue = 0x00080100;
constexpr DWORD kCodingSchemeDesignator = 0x00080102;
constexpr DWORD kCodeMeaning = 0x00080104;
constexpr DWORD kTextValue = 0x0040A160;
constexpr DWORD kPersonName = 0x0040A123;

bool ReadCode(const KMDcmDataset& item, std::string& value, std::string& scheme)
{
    KMDcmDataset code;
    return item.GetSequenceItem(kConceptNameCodeSequence, code, 0) && code.GetString(kCodeValue, value) &&
           code.GetString(kCodingSchemeDesignator, scheme);
}

bool WriteCode(KMDcmDataset& item, DWORD sequence, const char* value, const char* scheme, const char* meaning)
{
    KMDcmDataset code;
    return item.GetOrCreateSequenceItem(sequence, code, 0) && code.SetString(kCodeValue, value) &&
           code.SetString(kCodingSchemeDesignator, scheme) && code.SetString(kCodeMeaning, meaning);
}

// True when an element of `target` that `source` will not replace depends on the character set
// and holds anything but ASCII.
bool KeepsNonAsciiText(DcmItem& target, DcmItem& source)
{
    std::vector<DcmElement*> texts;
    for (unsigned long i = 0; i < target.card(); ++i) {
        DcmElement* element = target.getElement(i);
        if (element->getTag() != DCM_SpecificCharacterSet && !source.tagExists(element->getTag())) {
            KMDcmCharset::CollectTexts(element, texts);
        }
    }
    return !texts.empty();
}

// Clones every element of `source` into `target` but the file meta information and the
// Specific Character Set, which the caller settles.
void InsertClones(DcmItem& target, DcmItem& source)
{
    for (unsigned long i = 0; i < source.card(); ++i) {
        DcmElement* element = source.getElement(i);
        if (element->getGTag() == 0x0002 || element->getTag() == DCM_SpecificCharacterSet) {
            continue;
        }
        target.insert(static_cast<DcmElement*>(element->clone()), OFTrue);
    }
}

} // namespace

namespace {

struct Concept {
    const char* szCode;
    const char* szScheme;
    const char* szMeaning;
    const char* szValueType;
    const char* szRelationship;
    DWORD valueTag;
};

// The local coding scheme of the items that hold who is to verify an unverified report.
constexpr const char* kLocalScheme = "99SRCTRL";

// Indexed by KMDcmSR::Content.
const Concept kConcepts[] = {
    {"121139", "DCM", "Modality", "TEXT", "HAS OBS CONTEXT", kTextValue},
    {"121008", "DCM", "Person Observer Name", "PNAME", "HAS OBS CONTEXT", kPersonName},
    {"VERIFIER", kLocalScheme, "Intended Verifying Observer Name", "PNAME", "HAS OBS CONTEXT", kPersonName},
    {"VERIFIER ORG", kLocalScheme, "Intended Verifying Organization", "TEXT", "HAS OBS CONTEXT", kTextValue},
    {"121071", "DCM", "Finding", "TEXT", "CONTAINS", kTextValue},
    {"121077", "DCM", "Conclusion", "TEXT", "CONTAINS", kTextValue},
};

// The rank of a content item among those in kConcepts, or -1 for an item of another kind.
int RankOf(const KMDcmDataset& item)
{
    std::string code;
    std::string scheme;
    std::string valueType;
    if (!ReadCode(item, code, scheme) || !item.GetString(kValueType, valueType)) {
        return -1;
    }
    for (size_t i = 0; i < sizeof(kConcepts) / sizeof(kConcepts[0]); ++i) {
        if (KMDcmText::Trimmed(code) == kConcepts[i].szCode && KMDcmText::Trimmed(scheme) == kConcepts[i].szScheme &&
            KMDcmText::Trimmed(valueType) == kConcepts[i].szValueType) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string CurrentDateTime()
{
    return KMDcmUtil::GetCurrentDcmDate().str() + KMDcmUtil::GetCurrentDcmTime().str();
}

} // namespace

KMDcmSR::KMDcmSR()
{
    const KMDcmLog quiet;
    BuildSkeleton();
}

void KMDcmSR::BuildSkeleton()
{
    KMDcmDataset& root = *GetDataset();
    root.SetString(KMDcmTag::SOPClassUID, "1.2.840.10008.5.1.4.1.1.88.11");
    root.SetString(KMDcmTag::Modality, "SR");
    // Study ID, Accession Number and Manufacturer, with the patient and study attributes, must be
    // present in every SR document, even when nobody knows them.
    for (DWORD tag : {KMDcmTag::PatientName, KMDcmTag::PatientID, KMDcmTag::PatientBirthDate, KMDcmTag::PatientSex,
                      KMDcmTag::StudyDate, KMDcmTag::StudyTime, KMDcmTag::ReferringPhysicianName, DWORD{0x00200010},
                      DWORD{0x00080050}, DWORD{0x00080070}}) {
        root.SetString(tag, "");
    }
    DcmItem* item = root.GetItem();
    item->insertEmptyElement(DCM_ReferencedPerformedProcedureStepSequence);
    item->insertEmptyElement(DCM_PerformedProcedureCodeSequence);
    root.SetString(kValueType, "CONTAINER");
    WriteCode(root, kConceptNameCodeSequence, "18748-4", "LN", "Diagnostic Imaging Report");
    root.SetString(0x0040A050, "SEPARATE");
}

bool KMDcmSR::Copy(const KMDcmDataset* dataset)
{
    const KMDcmLog quiet;
    if (dataset == nullptr || !dataset->IsBound()) {
        return false;
    }
    DcmItem* source = dataset->GetItem();
    DcmDataset* target = GetDataset()->GetRoot();
    if (source == target) {
        return true;
    }
    const std::string sourceCharset = KMDcmCharset::Of(*dataset->GetRoot());
    std::vector<DcmElement*> sourceTexts;
    KMDcmCharset::CollectTexts(source, sourceTexts);
    if (sourceTexts.empty()) {
        InsertClones(*target, *source);
        return true;
    }
    if (KMDcmCharset::IsReadable(sourceCharset) &&
        (sourceCharset == KMDcmCharset::Of(*target) || !KeepsNonAsciiText(*target, *source))) {
        target->putAndInsertString(DCM_SpecificCharacterSet, sourceCharset.c_str());
        InsertClones(*target, *source);
        return true;
    }
    // Both sides keep text that only its own character set reads, or the source's bytes are in no
    // declared set: bring both to UTF-8.
    DcmItem converted(*source);
    if (!KMDcmCharset::ConvertToUtf8(converted, sourceCharset) ||
        !KMDcmCharset::ConvertToUtf8(*target, KMDcmCharset::Of(*target))) {
        return false;
    }
    InsertClones(*target, converted);
    return true;
}

bool KMDcmSR::IsCompleted() const
{
    std::string flag;
    return GetDataset()->GetString(KMDcmTag::CompletionFlag, flag) && KMDcmText::Trimmed(flag) == "COMPLETE";
}

bool KMDcmSR::IsVerified() const
{
    std::string flag;
    return GetDataset()->GetString(KMDcmTag::VerificationFlag, flag) && KMDcmText::Trimmed(flag) == "VERIFIED";
}

bool KMDcmSR::CompleteDocument()
{
    return GetDataset()->SetString(KMDcmTag::CompletionFlag, "COMPLETE");
}

bool KMDcmSR::VerifyDocument()
{
    std::wstring name;
    std::wstring organization;
    std::wstring dateTime;
    if (!GetVerifyingObserverName(name) || name.empty() || !GetVerifyingOrganization(organization) ||
        organization.empty()) {
        return false;
    }
    // The names that waited for the verification go where a verified report keeps them.
    if (!SetObserverValue(KMDcmTag::VerifyingObserverName, name.c_str()) ||
        !SetObserverValue(KMDcmTag::VerifyingOrganization, organization.c_str()) ||
        !SetContent(Content::VerifierName, L"") || !SetContent(Content::VerifierOrganization, L"")) {
        return false;
    }
    if (!GetVerificationDateTime(dateTime) || dateTime.empty()) {
        SetVerificationDateTime(KMString(CurrentDateTime()).c_wstr());
    }
    return CompleteDocument() && GetDataset()->SetString(KMDcmTag::VerificationFlag, "VERIFIED");
}

bool KMDcmSR::GetContent(Content content, std::wstring& value) const
{
    const Concept& concept = kConcepts[static_cast<int>(content)];
    KMDcmDataset item;
    for (int i = 0; GetDataset()->GetSequenceItem(KMDcmTag::ContentSequence, item, i); ++i) {
        if (RankOf(item) == static_cast<int>(content)) {
            if (item.GetString(concept.valueTag, value, 0)) {
                return true;
            }
            break;
        }
    }
    value.clear();
    return false;
}

bool KMDcmSR::SetContent(Content content, const wchar_t* value)
{
    const KMDcmLog quiet;
    if (value == nullptr) {
        return false;
    }
    const int rank = static_cast<int>(content);
    const Concept& concept = kConcepts[rank];
    DcmItem* root = GetDataset()->GetItem();
    DcmSequenceOfItems* sequence = nullptr;
    if (root->findAndGetSequence(DCM_ContentSequence, sequence).bad()) {
        if (*value == L'\0') {
            return true;
        }
        sequence = new DcmSequenceOfItems(DCM_ContentSequence);
        root->insert(sequence, OFTrue);
    }
    // Find the item, or the place where a new one keeps the items in rank order.
    unsigned long place = sequence->card();
    KMDcmDataset item;
    for (unsigned long i = 0; i < sequence->card(); ++i) {
        GetDataset()->GetSequenceItem(KMDcmTag::ContentSequence, item, static_cast<int>(i));
        const int found = RankOf(item);
        if (found == rank) {
            if (*value == L'\0') {
                delete sequence->remove(i);
                return true;
            }
            return item.SetString(concept.valueTag, value);
        }
        if (found > rank && place == sequence->card()) {
            place = i;
        }
    }
    if (*value == L'\0') {
        return true;
    }
    auto created = std::make_unique<DcmItem>();
    KMDcmDataset view;
    view.Bind(created.get(), GetDataset()->GetRoot());
    if (!view.SetString(kRelationshipType, concept.szRelationship) ||
        !view.SetString(kValueType, concept.szValueType) ||
        !WriteCode(view, kConceptNameCodeSequence, concept.szCode, concept.szScheme, concept.szMeaning)) {
        return false;
    }
    if (sequence->insert(created.get(), place, OFTrue).bad()) {
        return false;
    }
    DcmItem* inserted = created.release();
    view.Bind(inserted, GetDataset()->GetRoot());
    if (!view.SetString(concept.valueTag, value)) {
        delete sequence->remove(inserted);
        return false;
    }
    return true;
}

bool KMDcmSR::PendingVerifier(DWORD tag, Content& content)
{
    if (tag == KMDcmTag::VerifyingObserverName) {
        content = Content::VerifierName;
        return true;
    }
    if (tag == KMDcmTag::VerifyingOrganization) {
        content = Content::VerifierOrganization;
        return true;
    }
    return false;
}

bool KMDcmSR::GetVerifier(DWORD tag, std::wstring& value) const
{
    KMDcmDataset item;
    if (GetDataset()->GetSequenceItem(KMDcmTag::VerifyingObserverSequence, item, 0) && item.GetString(tag, value, 0)) {
        return true;
    }
    Content pending = Content::VerifierName;
    if (PendingVerifier(tag, pending)) {
        return GetContent(pending, value);
    }
    value.clear();
    return false;
}

bool KMDcmSR::SetVerifier(DWORD tag, const wchar_t* value)
{
    if (value == nullptr) {
        return false;
    }
    // The Verifying Observer Sequence may only be there once the report is verified; until then
    // the names wait in content items of their own.
    Content pending = Content::VerifierName;
    if (!IsVerified() && PendingVerifier(tag, pending)) {
        std::string reason;
        return KMDcmVR(tag).Check(value, reason) && SetContent(pending, value) && SetObserverValue(tag, L"");
    }
    return SetObserverValue(tag, value);
}

bool KMDcmSR::SetObserverValue(DWORD tag, const wchar_t* value)
{
    const KMDcmLog quiet;
    KMDcmDataset item;
    if (*value == L'\0') {
        if (!GetDataset()->GetSequenceItem(KMDcmTag::VerifyingObserverSequence, item, 0)) {
            return true;
        }
        item.GetItem()->findAndDeleteElement(DcmTagKey(static_cast<Uint16>(tag >> 16), static_cast<Uint16>(tag)));
        const bool empty = !item.GetItem()->tagExists(DCM_VerifyingObserverName) &&
                           !item.GetItem()->tagExists(DCM_VerifyingOrganization) &&
                           !item.GetItem()->tagExists(DCM_VerificationDateTime);
        if (empty) {
            GetDataset()->GetItem()->findAndDeleteElement(DCM_VerifyingObserverSequence);
        }
        return true;
    }
    // Checked before the sequence is made, so that a refused value leaves no empty item behind.
    std::string reason;
    if (!KMDcmVR(tag).Check(value, reason) ||
        !GetDataset()->GetOrCreateSequenceItem(KMDcmTag::VerifyingObserverSequence, item, 0)) {
        return false;
    }
    if (!item.GetItem()->tagExists(DCM_VerifyingObserverIdentificationCodeSequence)) {
        item.GetItem()->insertEmptyElement(DCM_VerifyingObserverIdentificationCodeSequence);
    }
    return item.SetString(tag, value);
}

bool KMDcmSR::GetFinding(std::wstring& value) const { return GetContent(Content::Finding, value); }
bool KMDcmSR::SetFinding(const wchar_t* value) { return SetContent(Content::Finding, value); }
bool KMDcmSR::GetConclusion(std::wstring& value) const { return GetContent(Content::Conclusion, value); }
bool KMDcmSR::SetConclusion(const wchar_t* value) { return SetContent(Content::Conclusion, value); }
bool KMDcmSR::GetAuthorObserverName(std::wstring& value) const { return GetContent(Content::Author, value); }
bool KMDcmSR::SetAuthorObserverName(const wchar_t* value) { return SetContent(Content::Author, value); }
bool KMDcmSR::GetAcquisitionModality(std::wstring& value) const { return GetContent(Content::Modality, value); }
bool KMDcmSR::SetAcquisitionModality(const wchar_t* value) { return SetContent(Content::Modality, value); }

bool KMDcmSR::GetVerifyingObserverName(std::wstring& value) const
{
    return GetVerifier(KMDcmTag::VerifyingObserverName, value);
}

bool KMDcmSR::SetVerifyingObserverName(const wchar_t* value)
{
    return SetVerifier(KMDcmTag::VerifyingObserverName, value);
}

bool KMDcmSR::GetVerifyingOrganization(std::wstring& value) const
{
    return GetVerifier(KMDcmTag::VerifyingOrganization, value);
}

bool KMDcmSR::SetVerifyingOrganization(const wchar_t* value)
{
    return SetVerifier(KMDcmTag::VerifyingOrganization, value);
}

bool KMDcmSR::GetVerificationDateTime(std::wstring& value) const
{
    return GetVerifier(KMDcmTag::VerificationDateTime, value);
}

bool KMDcmSR::SetVerificationDateTime(const wchar_t* value)
{
    return SetVerifier(KMDcmTag::VerificationDateTime, value);
}

bool KMDcmSR::GetValue(DWORD tag, std::wstring& value) const
{
    switch (tag) {
    case KMDcmTag::ReportFinding: return GetFinding(value);
    case KMDcmTag::ReportConclusion: return GetConclusion(value);
    case KMDcmTag::ReportAuthorObserverName: return GetAuthorObserverName(value);
    case KMDcmTag::VerifyingObserverName:
    case KMDcmTag::VerifyingOrganization:
    case KMDcmTag::VerificationDateTime: return GetVerifier(tag, value);
    case KMDcmTag::Modality: return GetAcquisitionModality(value);
    default: return GetDataset()->GetString(tag, value, KMDcmDataset::kAllValues);
    }
}

bool KMDcmSR::SetValue(DWORD tag, const wchar_t* value)
{
    switch (tag) {
    case KMDcmTag::ReportFinding: return SetFinding(value);
    case KMDcmTag::ReportConclusion: return SetConclusion(value);
    case KMDcmTag::ReportAuthorObserverName: return SetAuthorObserverName(value);
    case KMDcmTag::VerifyingObserverName:
    case KMDcmTag::VerifyingOrganization:
    case KMDcmTag::VerificationDateTime: return SetVerifier(tag, value);
    case KMDcmTag::Modality: return SetAcquisitionModality(value);
    default: return value != nullptr && GetDataset()->SetString(tag, value);
    }
}

KMDcmVR KMDcmSR::GetValueRules(DWORD tag)
{
    switch (tag) {
    case KMDcmTag::ReportFinding:
    case KMDcmTag::ReportConclusion: return KMDcmVR(kTextValue);
    case KMDcmTag::ReportAuthorObserverName: return KMDcmVR(kPersonName);
    default: return KMDcmVR(tag);
    }
}
