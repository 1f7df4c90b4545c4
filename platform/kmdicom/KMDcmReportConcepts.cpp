#include "platform/kmdicom/KMDcmReportConcepts.h"
#include "platform/kmdicom/KMDcmTags.h"

namespace {

// The local coding scheme of the items that hold who is to verify an unverified report.
constexpr const char* kLocalScheme = "99SRCTRL";

// In the order the control keeps its own items under the root.
const KMDcmReportConcepts::Own kOwnItems[] = {
    {KMDcmContentField::Modality, KMDcmTag::Modality, "121139", "DCM", "Modality", "TEXT", "HAS OBS CONTEXT"},
    {KMDcmContentField::Author, KMDcmTag::ReportAuthorObserverName, "121008", "DCM", "Person Observer Name", "PNAME",
     "HAS OBS CONTEXT"},
    {KMDcmContentField::VerifierName, KMDcmTag::VerifyingObserverName, "VERIFIER", kLocalScheme,
     "Intended Verifying Observer Name", "PNAME", "HAS OBS CONTEXT"},
    {KMDcmContentField::VerifierOrganization, KMDcmTag::VerifyingOrganization, "VERIFIER ORG", kLocalScheme,
     "Intended Verifying Organization", "TEXT", "HAS OBS CONTEXT"},
    {KMDcmContentField::Finding, KMDcmTag::ReportFinding, "121071", "DCM", "Finding", "TEXT", "CONTAINS"},
    {KMDcmContentField::Conclusion, KMDcmTag::ReportConclusion, "121077", "DCM", "Conclusion", "TEXT", "CONTAINS"},
};

const KMDcmReportConcepts::Own kKeyImage = {KMDcmContentField::None, 0,        "121080",  "DCM",
                                           "Best illustration of finding", "IMAGE", "CONTAINS"};

struct Concept {
    const char* szCode;
    const char* szScheme;
    KMDcmContentField field;
};

// Items that feed a field wherever they are (outside a known section).
const Concept kItems[] = {
    {"121071", "DCM", KMDcmContentField::Finding},     // Finding
    {"121077", "DCM", KMDcmContentField::Conclusion},  // Conclusion
    {"121073", "DCM", KMDcmContentField::Conclusion},  // Impression
};

// The section headings of a diagnostic imaging report, by DCM code and by their LOINC equivalent,
// and the field their content feeds.
const Concept kSections[] = {
    {"121070", "DCM", KMDcmContentField::Finding},     // Findings
    {"59776-5", "LN", KMDcmContentField::Finding},     // Procedure Findings
    {"18782-3", "LN", KMDcmContentField::Finding},     // Radiology Study observation
    {"121072", "DCM", KMDcmContentField::Conclusion},  // Impressions
    {"19005-8", "LN", KMDcmContentField::Conclusion},  // Radiology Impression
    {"121076", "DCM", KMDcmContentField::Conclusion},  // Conclusions
    {"55110-1", "LN", KMDcmContentField::Conclusion},  // Conclusions
    {"121111", "DCM", KMDcmContentField::Conclusion},  // Summary
    {"55112-7", "LN", KMDcmContentField::Conclusion},  // Document Summary
    {"121060", "DCM", KMDcmContentField::None},        // History
    {"11329-0", "LN", KMDcmContentField::None},
    {"121062", "DCM", KMDcmContentField::None},        // Request
    {"55115-0", "LN", KMDcmContentField::None},
    {"121064", "DCM", KMDcmContentField::None},        // Current Procedure Descriptions
    {"55111-9", "LN", KMDcmContentField::None},
    {"121066", "DCM", KMDcmContentField::None},        // Prior Procedure Descriptions
    {"55114-3", "LN", KMDcmContentField::None},
    {"121068", "DCM", KMDcmContentField::None},        // Previous Findings
    {"18834-2", "LN", KMDcmContentField::None},
    {"121074", "DCM", KMDcmContentField::None},        // Recommendations
    {"18783-1", "LN", KMDcmContentField::None},
    {"121078", "DCM", KMDcmContentField::None},        // Addendum
    {"55107-7", "LN", KMDcmContentField::None},
    {"121109", "DCM", KMDcmContentField::None},        // Indications for Procedure
    {"18785-6", "LN", KMDcmContentField::None},
    {"121110", "DCM", KMDcmContentField::None},        // Patient Presentation
    {"55108-5", "LN", KMDcmContentField::None},
};

template <size_t N>
const Concept* Find(const Concept (&table)[N], const std::string& code, const std::string& scheme)
{
    for (const Concept& entry : table) {
        if (code == entry.szCode && scheme == entry.szScheme) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

const KMDcmReportConcepts::Own* KMDcmReportConcepts::OwnItem(KMDcmContentField field)
{
    for (const Own& own : kOwnItems) {
        if (own.field == field) {
            return &own;
        }
    }
    return nullptr;
}

KMDcmContentField KMDcmReportConcepts::OwnField(const std::string& code, const std::string& scheme,
                                                const std::string& valueType)
{
    for (const Own& own : kOwnItems) {
        if (code == own.szCode && scheme == own.szScheme && valueType == own.szValueType) {
            return own.field;
        }
    }
    return KMDcmContentField::None;
}

KMDcmContentField KMDcmReportConcepts::ItemField(const std::string& code, const std::string& scheme)
{
    const Concept* found = Find(kItems, code, scheme);
    return found != nullptr ? found->field : KMDcmContentField::None;
}

bool KMDcmReportConcepts::IsSection(const std::string& code, const std::string& scheme, KMDcmContentField& field)
{
    const Concept* found = Find(kSections, code, scheme);
    field = found != nullptr ? found->field : KMDcmContentField::None;
    return found != nullptr;
}

const KMDcmReportConcepts::Own& KMDcmReportConcepts::KeyImageItem()
{
    return kKeyImage;
}

bool KMDcmReportConcepts::IsKeyImage(const std::string& code, const std::string& scheme, const std::string& valueType,
                                     const std::string& relationship)
{
    return code == kKeyImage.szCode && scheme == kKeyImage.szScheme && valueType == kKeyImage.szValueType &&
           relationship == kKeyImage.szRelationship;
}

KMDcmContentField KMDcmReportConcepts::FieldOfTag(DWORD tag)
{
    for (const Own& own : kOwnItems) {
        if (own.tag == tag) {
            return own.field;
        }
    }
    return KMDcmContentField::None;
}

std::string KMDcmReportConcepts::Name(KMDcmContentField field)
{
    switch (field) {
    case KMDcmContentField::Modality: return "the modality";
    case KMDcmContentField::Author: return "the author's name";
    case KMDcmContentField::VerifierName: return "the verifier's name";
    case KMDcmContentField::VerifierOrganization: return "the verifying organization";
    case KMDcmContentField::Finding: return "the finding";
    case KMDcmContentField::Conclusion: return "the conclusion";
    default: return "the value";
    }
}
