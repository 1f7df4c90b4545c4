#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"

#include "platform/kmbase/KMLastError.h"
#include "platform/kmdicom/KMDcmCharset.h"
#include "platform/kmdicom/KMDcmContentTree.h"
#include "platform/kmdicom/KMDcmDeepStack.h"
#include "platform/kmdicom/KMDcmKeyImages.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmText.h"
#include "platform/kmdicom/KMDcmUtil.h"
#include "platform/kmdicom/KMDcmVR.h"
#include "platform/kmdicom/KMDcmVerifiers.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcsequen.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kValueType = 0x0040A040;
constexpr DWORD kConceptNameCodeSequence = 0x0040A043;
constexpr DWORD kCodeValue = 0x00080100;
constexpr DWORD kCodingSchemeDesignator = 0x00080102;
constexpr DWORD kCodeMeaning = 0x00080104;
constexpr DWORD kTextValue = 0x0040A160;
constexpr DWORD kPersonName = 0x0040A123;

bool WriteCode(KMDcmDataset& item, DWORD sequence, const char* value, const char* scheme, const char* meaning)
{
    KMDcmDataset code;
    return item.GetOrCreateSequenceItem(sequence, code, 0) && code.SetString(kCodeValue, value) &&
           code.SetString(kCodingSchemeDesignator, scheme) && code.SetString(kCodeMeaning, meaning);
}

std::string CurrentDateTime()
{
    return KMDcmUtil::GetCurrentDcmDate().str() + KMDcmUtil::GetCurrentDcmTime().str();
}

// The tag of a verifier value that waits in a content item until the report is verified.
bool IsPendingVerifier(DWORD tag)
{
    return tag == KMDcmTag::VerifyingObserverName || tag == KMDcmTag::VerifyingOrganization;
}

} // namespace

KMDcmSR::KMDcmSR()
{
    const KMDcmLog quiet;
    BuildSkeleton();
}

KMDcmSR::~KMDcmSR() = default;

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

KMDcmContentTree& KMDcmSR::Tree() const
{
    if (!m_pTree || m_nTreeChanges != GetContentChanges()) {
        auto tree = std::make_unique<KMDcmContentTree>();
        // dcmsr reads the tree by recursion, as deep as it nests.
        const bool read = KMDcmDeepStack::RunFor(GetDepth(), [&] { tree->Read(*GetDataset(), m_bAmending); });
        if (!read) {
            tree->SetUnreadable("no memory or no thread to read it with");
        }
        m_pTree = std::move(tree);
        // A tree that could not be read for want of memory is read again when next asked for.
        m_nTreeChanges = read ? GetContentChanges() : GetContentChanges() - 1;
    }
    return *m_pTree;
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
    // Cloning and converting recurse as deeply as either dataset nests.
    const int depth = std::max(dataset->GetDepth(), GetDepth());
    bool copied = false;
    if (!KMDcmDeepStack::RunFor(depth, [&] { copied = KMDcmCharset::TakeIn(*target, *source, *dataset->GetRoot()); }) ||
        !copied) {
        return false;
    }
    GetDataset()->Absorbed(depth);
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
    if (!KMDcmVerifiers::Set(*GetDataset(), KMDcmTag::VerifyingObserverName, name.c_str()) ||
        !KMDcmVerifiers::Set(*GetDataset(), KMDcmTag::VerifyingOrganization, organization.c_str()) ||
        !SetContent(KMDcmTag::VerifyingObserverName, L"") || !SetContent(KMDcmTag::VerifyingOrganization, L"")) {
        return false;
    }
    if (!GetVerificationDateTime(dateTime) || dateTime.empty()) {
        SetVerificationDateTime(KMString(CurrentDateTime()).c_wstr());
    }
    return CompleteDocument() && GetDataset()->SetString(KMDcmTag::VerificationFlag, "VERIFIED");
}

bool KMDcmSR::GetContent(DWORD tag, std::wstring& value) const
{
    return Tree().GetText(KMDcmReportConcepts::FieldOfTag(tag), value);
}

bool KMDcmSR::SetContent(DWORD tag, const wchar_t* value)
{
    const KMDcmLog quiet;
    if (value == nullptr) {
        return false;
    }
    bool structural = false;
    std::string reason;
    KMDcmDataset* dataset = GetDataset();
    const bool stored = Tree().Set(*dataset, KMDcmReportConcepts::FieldOfTag(tag), value, structural, reason);
    if (structural) {
        // Items came or went: the model reads the tree again when next asked.
        dataset->Absorbed(0);
    }
    if (!stored) {
        KMLastError::Set(reason);
    }
    return stored;
}

bool KMDcmSR::GetVerifier(DWORD tag, std::wstring& value) const
{
    return KMDcmVerifiers::Get(*GetDataset(), tag, value) || (IsPendingVerifier(tag) && GetContent(tag, value));
}

bool KMDcmSR::SetVerifier(DWORD tag, const wchar_t* value)
{
    if (value == nullptr) {
        return false;
    }
    // The Verifying Observer Sequence may only be there once the report is verified; until then
    // the names wait in content items of their own.
    if (!IsVerified() && IsPendingVerifier(tag)) {
        std::string reason;
        if (!KMDcmVR(tag).Check(value, reason)) {
            KMLastError::Set(reason);
            return false;
        }
        return SetContent(tag, value) && KMDcmVerifiers::Set(*GetDataset(), tag, L"");
    }
    return KMDcmVerifiers::Set(*GetDataset(), tag, value);
}

bool KMDcmSR::GetFinding(std::wstring& value) const { return GetContent(KMDcmTag::ReportFinding, value); }
bool KMDcmSR::SetFinding(const wchar_t* value) { return SetContent(KMDcmTag::ReportFinding, value); }
bool KMDcmSR::GetConclusion(std::wstring& value) const { return GetContent(KMDcmTag::ReportConclusion, value); }
bool KMDcmSR::SetConclusion(const wchar_t* value) { return SetContent(KMDcmTag::ReportConclusion, value); }
bool KMDcmSR::GetAuthorObserverName(std::wstring& value) const
{
    return GetContent(KMDcmTag::ReportAuthorObserverName, value);
}
bool KMDcmSR::SetAuthorObserverName(const wchar_t* value) { return SetContent(KMDcmTag::ReportAuthorObserverName, value); }
bool KMDcmSR::GetAcquisitionModality(std::wstring& value) const { return GetContent(KMDcmTag::Modality, value); }
bool KMDcmSR::SetAcquisitionModality(const wchar_t* value) { return SetContent(KMDcmTag::Modality, value); }

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
    case KMDcmTag::VerifyingObserverName:
    case KMDcmTag::VerifyingOrganization:
    case KMDcmTag::VerificationDateTime: return GetVerifier(tag, value);
    default:
        if (KMDcmReportConcepts::FieldOfTag(tag) != KMDcmContentField::None) {
            return GetContent(tag, value);
        }
        return GetDataset()->GetString(tag, value, KMDcmDataset::kAllValues);
    }
}

bool KMDcmSR::SetValue(DWORD tag, const wchar_t* value)
{
    switch (tag) {
    case KMDcmTag::VerifyingObserverName:
    case KMDcmTag::VerifyingOrganization:
    case KMDcmTag::VerificationDateTime: return SetVerifier(tag, value);
    default:
        if (KMDcmReportConcepts::FieldOfTag(tag) != KMDcmContentField::None) {
            return SetContent(tag, value);
        }
        return value != nullptr && GetDataset()->SetString(tag, value);
    }
}

bool KMDcmSR::CanSetValue(DWORD tag, std::string& reason) const
{
    const bool inContent = (IsPendingVerifier(tag) && !IsVerified()) ||
                           (!IsPendingVerifier(tag) && KMDcmReportConcepts::FieldOfTag(tag) != KMDcmContentField::None);
    return !inContent || Tree().CanSet(KMDcmReportConcepts::FieldOfTag(tag), reason);
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

const std::vector<KMDcmContentItem>& KMDcmSR::GetContentItems() const
{
    return Tree().GetItems();
}

std::wstring KMDcmSR::GetOtherContent() const
{
    return Tree().GetOtherContent();
}

void KMDcmSR::BeginAmendment()
{
    m_bAmending = true;
    m_pTree.reset();
}

bool KMDcmSR::AddImageItem(const char* sopClassUID, const char* sopInstanceUID, int frame, const char* code,
                           const char* scheme, const char* meaning, std::string& reason)
{
    if (!Tree().AddImage(*GetDataset(), sopClassUID, sopInstanceUID, frame, code, scheme, meaning, reason)) {
        return false;
    }
    GetDataset()->Absorbed(0);
    return true;
}

int KMDcmSR::RemoveImageItems(const char* sopInstanceUID, int frame)
{
    const int removed = Tree().RemoveImages(*GetDataset(), sopInstanceUID, frame);
    if (removed > 0) {
        GetDataset()->Absorbed(0);
    }
    return removed;
}

bool KMDcmSR::ReferencesImage(const char* sopInstanceUID) const
{
    return sopInstanceUID != nullptr && Tree().ReferencesImage(sopInstanceUID);
}

std::vector<KMDcmImageReference> KMDcmSR::GetKeyImages() const
{
    return KMDcmKeyImages::Get(*this);
}
