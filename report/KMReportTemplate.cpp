#include "report/KMReportTemplate.h"
#include "platform/kmdicom/KMDcmTags.h"

#include "platform/duilib/Base64.h"
#include "platform/duilib/CDialogBuilder.h"
#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMFileReplace.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMUtil.h"
#include "platform/kmdicom/KMDcmUtil.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kAttrList = "RT_ATTRLIST";
const char* const kLogo = "RT_LOGO";
const char* const kTemplateInfo = "RT_TEMPINFO";
const char* const kImageArea = "RT_IMAGE";

std::string Printed(const tinyxml2::XMLNode& node)
{
    tinyxml2::XMLPrinter printer;
    node.Accept(&printer);
    return printer.CStr();
}

tinyxml2::XMLElement* NthChildElement(tinyxml2::XMLElement* parent, int n)
{
    tinyxml2::XMLElement* child = parent->FirstChildElement();
    for (int i = 0; i < n && child != nullptr; ++i) {
        child = child->NextSiblingElement();
    }
    return child;
}

} // namespace

bool KMReportTemplate::Load(const char* path)
{
    std::string bytes;
    const KMFile::Error read = KMFile::Read(path, kMaxFileBytes, bytes);
    if (read != KMFile::Error::None) {
        KMLastError::Set(std::string("file not readable: ") + (path != nullptr ? path : "") + ": " + KMFile::Reason(read));
        return false;
    }
    tinyxml2::XMLDocument parsed;
    std::string oversized;
    if (parsed.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS || parsed.RootElement() == nullptr ||
        !DuiLib::CDialogBuilder::CheckSizes(parsed.RootElement(), oversized)) {
        KMLastError::Set(std::string("not a template: ") + path + ": " +
                         (parsed.Error() ? parsed.ErrorStr() : parsed.RootElement() == nullptr ? "no root element" : oversized));
        return false;
    }
    m_doc.Clear();
    parsed.DeepCopy(&m_doc);
    return true;
}

bool KMReportTemplate::ToXml(std::string& text) const
{
    tinyxml2::XMLPrinter printer;
    m_doc.Print(&printer);
    text = printer.CStr();
    return true;
}

bool KMReportTemplate::Save(const char* path, const char* templateName)
{
    tinyxml2::XMLElement* info = Region("VerticalLayout", kTemplateInfo);
    if (info == nullptr || templateName == nullptr) {
        return false;
    }
    info->SetAttribute("template_name", templateName);
    std::string text;
    ToXml(text);
    std::string reason;
    if (KMFileReplace::Replace(path, text, &reason) != KMFile::Error::None) {
        KMLastError::Set("template not written: " + std::string(path != nullptr ? path : "") + ": " + reason);
        return false;
    }
    return true;
}

tinyxml2::XMLElement* KMReportTemplate::FindElement(tinyxml2::XMLElement* start, const char* elementName,
                                                    const char* nameValue) const
{
    if (start == nullptr || elementName == nullptr || nameValue == nullptr) {
        return nullptr;
    }
    const char* name = start->Attribute("name");
    if (std::strcmp(start->Name(), elementName) == 0 && name != nullptr && std::strcmp(name, nameValue) == 0) {
        return start;
    }
    for (tinyxml2::XMLElement* child = start->FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
        if (tinyxml2::XMLElement* found = FindElement(child, elementName, nameValue)) {
            return found;
        }
    }
    return nullptr;
}

tinyxml2::XMLElement* KMReportTemplate::Region(const char* elementName, const char* nameValue) const
{
    return FindElement(const_cast<tinyxml2::XMLDocument&>(m_doc).RootElement(), elementName, nameValue);
}

bool KMReportTemplate::IsVisible(const tinyxml2::XMLElement* region)
{
    if (region == nullptr) {
        return false;
    }
    const char* visible = region->Attribute("visible");
    return visible == nullptr || std::strcmp(visible, "true") == 0;
}

bool KMReportTemplate::GetLogoName(std::string& name) const
{
    const tinyxml2::XMLElement* logo = Region("Control", kLogo);
    const char* image = logo != nullptr ? logo->Attribute("bkimage") : nullptr;
    if (image == nullptr || *image == '\0') {
        return false;
    }
    name = image;
    return true;
}

bool KMReportTemplate::SetLogo(const char* imagePath)
{
    std::string current;
    if (imagePath == nullptr || !GetLogoName(current)) {
        return false;
    }
    tinyxml2::XMLElement* image = Region("img", current.c_str());
    std::string bytes;
    if (image == nullptr || KMFile::Read(imagePath, kMaxLogoBytes, bytes) != KMFile::Error::None) {
        return false;
    }
    const std::string data = DuiLib::Base64::Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    KMString uid;
    if (data.empty() || !KMUtil::GenerateUID(uid)) {
        return false;
    }
    image->SetAttribute("name", uid.c_str());
    image->SetAttribute("data", data.c_str());
    Region("Control", kLogo)->SetAttribute("bkimage", uid.c_str());
    return true;
}

bool KMReportTemplate::IsLogoVisible() const
{
    return IsVisible(Region("Control", kLogo));
}

bool KMReportTemplate::SetLogoVisible(bool visible)
{
    tinyxml2::XMLElement* logo = Region("Control", kLogo);
    if (logo == nullptr) {
        return false;
    }
    logo->SetAttribute("visible", visible ? "true" : "false");
    return true;
}

bool KMReportTemplate::IsImageVisible() const
{
    return IsVisible(Region("TabLayout", kImageArea));
}

bool KMReportTemplate::SetImageVisible(bool visible)
{
    tinyxml2::XMLElement* area = Region("TabLayout", kImageArea);
    if (area == nullptr) {
        return false;
    }
    area->SetAttribute("visible", visible ? "true" : "false");
    return true;
}

bool KMReportTemplate::GetImageLayoutList(std::vector<std::string>& names) const
{
    names.clear();
    const tinyxml2::XMLElement* area = Region("TabLayout", kImageArea);
    if (area == nullptr) {
        return false;
    }
    for (const tinyxml2::XMLElement* child = area->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (const char* name = child->Attribute("name")) {
            names.emplace_back(name);
        }
    }
    return true;
}

bool KMReportTemplate::GetImageLayout(int& index) const
{
    const tinyxml2::XMLElement* area = Region("TabLayout", kImageArea);
    if (area == nullptr) {
        return false;
    }
    const char* selected = area->Attribute("selectedid");
    index = selected != nullptr ? std::atoi(selected) : 0;
    return true;
}

bool KMReportTemplate::SetImageLayout(int index)
{
    tinyxml2::XMLElement* area = Region("TabLayout", kImageArea);
    if (area == nullptr) {
        return false;
    }
    area->SetAttribute("selectedid", std::to_string(index).c_str());
    return true;
}

bool KMReportTemplate::TagOf(const std::string& text, unsigned long& tag)
{
    size_t start = 0;
    while (start < text.size() && !std::isxdigit(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    if (start == text.size()) {
        return false;
    }
    // The text is NUL-terminated, so strtol stops inside it; a group running to the end leaves
    // no separator and no element.
    const char* begin = text.c_str() + start;
    char* end = nullptr;
    const unsigned long group = static_cast<unsigned long>(std::strtol(begin, &end, 16)) & 0xFFFF;
    if (*end == '\0') {
        return false;
    }
    const unsigned long element = static_cast<unsigned long>(std::strtol(end + 1, nullptr, 16)) & 0xFFFF;
    tag = (group << 16) | element;
    return true;
}

KMReportTemplate::RowKind KMReportTemplate::KindOf(const std::string& tag)
{
    unsigned long number = 0;
    AttributeElement element;
    if (tag.empty() || !TagOf(tag, number) || !KMDcmUtil::GetTagElement(static_cast<DWORD>(number), element)) {
        return RowKind::Default;
    }
    if (element.vr == "AS") {
        return RowKind::Age;
    }
    if (element.vr == "DA") {
        return RowKind::Date;
    }
    return number == KMDcmTag::PatientSex ? RowKind::Sex : RowKind::Default;
}

std::string& KMReportTemplate::PrototypeOf(RowKind kind)
{
    switch (kind) {
    case RowKind::Age: return m_strAgeRow;
    case RowKind::Date: return m_strDateRow;
    case RowKind::Sex: return m_strSexRow;
    default: return m_strDefaultRow;
    }
}

bool KMReportTemplate::GetAttributeList(std::vector<std::pair<std::string, std::string>>& rows)
{
    m_strDefaultRow.clear();
    m_strAgeRow.clear();
    m_strDateRow.clear();
    m_strSexRow.clear();
    tinyxml2::XMLElement* list = Region("TileLayout", kAttrList);
    if (list == nullptr) {
        return false;
    }
    for (tinyxml2::XMLElement* row = list->FirstChildElement("HorizontalLayout"); row != nullptr;
         row = row->NextSiblingElement("HorizontalLayout")) {
        const tinyxml2::XMLElement* labelControl = NthChildElement(row, 0);
        const tinyxml2::XMLElement* valueControl = NthChildElement(row, 1);
        const char* label = labelControl != nullptr ? labelControl->Attribute("text") : nullptr;
        const char* tag = valueControl != nullptr ? valueControl->Attribute("userdata") : nullptr;
        rows.emplace_back(tag != nullptr ? tag : "", label != nullptr ? label : "");
        unsigned long number = 0;
        AttributeElement element;
        if (tag == nullptr || *tag == '\0' || !TagOf(tag, number) ||
            !KMDcmUtil::GetTagElement(static_cast<DWORD>(number), element)) {
            continue;
        }
        std::string& prototype = PrototypeOf(KindOf(tag));
        if (prototype.empty()) {
            prototype = Printed(*row);
        }
    }
    return true;
}

bool KMReportTemplate::SetAttributeList(const std::vector<std::pair<std::string, std::string>>& rows)
{
    tinyxml2::XMLElement* list = Region("TileLayout", kAttrList);
    if (list == nullptr) {
        return false;
    }
    // A row's texts become attributes of the page: what the page could not be built from is
    // refused before anything changes.
    for (const auto& entry : rows) {
        if (std::max(entry.first.size(), entry.second.size()) > DuiLib::CDialogBuilder::kMaxAttributeBytes) {
            KMLastError::Set("attribute list row not set: longer than " +
                             std::to_string(DuiLib::CDialogBuilder::kMaxAttributeBytes) + " bytes");
            return false;
        }
    }
    list->DeleteChildren();
    for (const auto& entry : rows) {
        const std::string& kinded = PrototypeOf(KindOf(entry.first));
        const std::string& prototype = kinded.empty() ? m_strDefaultRow : kinded;
        if (prototype.empty()) {
            continue;
        }
        tinyxml2::XMLDocument scratch;
        if (scratch.Parse(prototype.data(), prototype.size()) != tinyxml2::XML_SUCCESS || scratch.FirstChild() == nullptr) {
            continue;
        }
        tinyxml2::XMLNode* copy = scratch.FirstChild()->DeepClone(&m_doc);
        list->InsertEndChild(copy);
        tinyxml2::XMLElement* row = copy->ToElement();
        if (row == nullptr) {
            continue;
        }
        if (tinyxml2::XMLElement* label = NthChildElement(row, 0)) {
            label->SetAttribute("text", entry.second.c_str());
        }
        for (int i = 1; i <= 2; ++i) {
            if (tinyxml2::XMLElement* value = NthChildElement(row, i)) {
                value->SetAttribute("userdata", entry.first.c_str());
            }
        }
    }
    return true;
}
