#include "printing/KMPrintStyle.h"

#include "platform/kmbase/KMString.h"
#include "platform/kmdicom/KMDcmConvert.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "report/KMReportTemplate.h"

#include <tinyxml2.h>

#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

constexpr const wchar_t* kItemSeparator = L"  \u00B7  ";
constexpr const wchar_t* kTitleSeparator = L" \u2014 ";

// The first element, `element` and its following siblings included, depth first, that `match`
// accepts; null when none.
template <class Match>
const tinyxml2::XMLElement* FindFirst(const tinyxml2::XMLElement* element, Match&& match)
{
    for (; element != nullptr; element = element->NextSiblingElement()) {
        if (match(*element)) {
            return element;
        }
        if (const tinyxml2::XMLElement* inner = FindFirst(element->FirstChildElement(), match)) {
            return inner;
        }
    }
    return nullptr;
}

void ReadWord(const tinyxml2::XMLElement* print, const char* attribute, std::wstring& word)
{
    const char* value = print != nullptr ? print->Attribute(attribute) : nullptr;
    if (value != nullptr) {
        word = KMString::ToWide(value);
    }
}

void Replace(std::wstring& text, const std::wstring& what, const std::wstring& with)
{
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

// The parts that are not empty, joined by `separator`.
std::wstring JoinPresent(std::initializer_list<std::wstring> parts, const wchar_t* separator)
{
    std::wstring joined;
    for (const std::wstring& part : parts) {
        if (!part.empty()) {
            joined += (joined.empty() ? L"" : separator) + part;
        }
    }
    return joined;
}

// The value of `tag` in the document as people read it; empty when it has none.
std::wstring Readable(const KMDcmSR& sr, DWORD tag)
{
    std::wstring value;
    sr.GetValue(tag, value);
    return value.empty() ? value : KMDcmConvert::ToDisplayText(tag, value);
}

std::wstring Labelled(const std::wstring& word, const std::wstring& value)
{
    return value.empty() ? value : JoinPresent({word, value}, L" ");
}

} // namespace

KMPrintStyle::KMPrintStyle()
    : m_strPages(L"Page {page} of {pages}"),
      m_strPreliminary(L"PRELIMINARY \u2014 NOT VERIFIED"),
      m_strVerified(L"VERIFIED"),
      m_strPatientId(L"ID"),
      m_strBirthDate(L"Born"),
      m_strAccession(L"Accession"),
      m_strReportDate(L"Report date")
{
}

void KMPrintStyle::Load(const KMReportTemplate& report)
{
    *this = KMPrintStyle();
    std::string text;
    tinyxml2::XMLDocument xml;
    if (!report.ToXml(text) || xml.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return;
    }
    const tinyxml2::XMLElement* root = xml.RootElement();
    const tinyxml2::XMLElement* header = FindFirst(root, [](const tinyxml2::XMLElement& e) {
        const char* name = e.Attribute("name");
        return e.Attribute("printheader", "repeat") != nullptr && name != nullptr && *name != '\0';
    });
    m_strRepeatedHeader = header != nullptr ? header->Attribute("name") : "";
    const tinyxml2::XMLElement* info = FindFirst(root, [](const tinyxml2::XMLElement& e) {
        return std::strcmp(e.Name(), "VerticalLayout") == 0 && e.Attribute("name", "RT_TEMPINFO") != nullptr;
    });
    ReadWord(info, "template_name", m_strTemplateName);
    const tinyxml2::XMLElement* print =
        FindFirst(root, [](const tinyxml2::XMLElement& e) { return std::strcmp(e.Name(), "Print") == 0; });
    for (const auto& word : {std::make_pair("pages", &m_strPages), std::make_pair("preliminary", &m_strPreliminary),
                             std::make_pair("verified", &m_strVerified), std::make_pair("patientid", &m_strPatientId),
                             std::make_pair("birthdate", &m_strBirthDate), std::make_pair("accession", &m_strAccession),
                             std::make_pair("reportdate", &m_strReportDate)}) {
        ReadWord(print, word.first, *word.second);
    }
    m_bRunningHeader = print == nullptr || print->Attribute("runningheader", "none") == nullptr;
}

std::wstring KMPrintStyle::PageFooter(size_t page, size_t pages, bool verified) const
{
    std::wstring number = m_strPages;
    Replace(number, L"{page}", std::to_wstring(page));
    Replace(number, L"{pages}", std::to_wstring(pages));
    return JoinPresent({number, verified ? m_strVerified : m_strPreliminary}, kItemSeparator);
}

std::wstring KMPrintStyle::RunningHeader(const KMDcmSR& sr) const
{
    if (!m_bRunningHeader) {
        return std::wstring();
    }
    return JoinPresent({Readable(sr, KMDcmTag::PatientName),
                        Labelled(m_strPatientId, Readable(sr, KMDcmTag::PatientID)),
                        Labelled(m_strBirthDate, Readable(sr, KMDcmTag::PatientBirthDate)),
                        Labelled(m_strAccession, Readable(sr, KMDcmTag::AccessionNumber)),
                        Labelled(m_strReportDate, Readable(sr, KMDcmTag::ContentDate))},
                       kItemSeparator);
}

std::wstring KMPrintStyle::DocumentTitle(const KMDcmSR& sr) const
{
    return JoinPresent({m_strTemplateName, Readable(sr, KMDcmTag::PatientName), Readable(sr, KMDcmTag::ContentDate)},
                       kTitleSeparator);
}

std::wstring KMPrintStyle::DocumentAuthor(const KMDcmSR& sr)
{
    return Readable(sr, KMDcmTag::ReportAuthorObserverName);
}

std::wstring KMPrintStyle::DocumentSubject(const KMDcmSR& sr)
{
    return Readable(sr, KMDcmTag::StudyDescription);
}
