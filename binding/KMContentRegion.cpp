#include "binding/KMContentRegion.h"

#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/kmbase/KMString.h"

#include <cwctype>

using DuiLib::CContainerUI;
using DuiLib::CControlUI;
using DuiLib::CEditUI;

namespace {

constexpr const wchar_t* kRegionName = L"RT_CONTENT";
// The background of a field that only shows what the document holds.
constexpr DWORD kReadOnlyColor = 0xFFF1F1EC;

// The control named `name` at or below `control`, containers included; null when none.
CControlUI* FindNamed(CControlUI* control, const wchar_t* name)
{
    if (control->GetName().Str() == name) {
        return control;
    }
    auto* container = dynamic_cast<CContainerUI*>(control);
    for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
        if (CControlUI* found = FindNamed(container->GetItemAt(i), name)) {
            return found;
        }
    }
    return nullptr;
}

// The text field of a region: the region itself, or the first edit inside it.
CEditUI* RegionText(CControlUI* region)
{
    if (auto* edit = dynamic_cast<CEditUI*>(region)) {
        return edit;
    }
    auto* container = dynamic_cast<CContainerUI*>(region);
    for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
        if (CEditUI* edit = RegionText(container->GetItemAt(i))) {
            return edit;
        }
    }
    return nullptr;
}

} // namespace

void KMContentRegion::Reset(bool screen)
{
    m_bScreen = screen;
    m_mapBackgrounds.clear();
}

void KMContentRegion::ShowReadOnly(CControlUI* control, bool readOnly)
{
    auto* edit = dynamic_cast<CEditUI*>(control);
    if (edit == nullptr || edit->IsReadOnly() == readOnly) {
        return;
    }
    edit->SetReadOnly(readOnly);
    if (!m_bScreen) {
        return;
    }
    if (readOnly) {
        m_mapBackgrounds[control] = control->GetBkColor();
        control->SetBkColor(kReadOnlyColor);
    } else if (m_mapBackgrounds.count(control) != 0) {
        control->SetBkColor(m_mapBackgrounds[control]);
        m_mapBackgrounds.erase(control);
    }
}

void KMContentRegion::Show(CContainerUI* root, const std::wstring& content, const std::vector<std::string>& notes,
                           CEditUI* finding)
{
    std::wstring text;
    for (const std::string& note : notes) {
        std::wstring line = KMString::ToWide(note);
        line[0] = static_cast<wchar_t>(std::towupper(line[0]));
        text += m_bScreen ? line + L"\n" : L"";
    }
    text += text.empty() || content.empty() ? content : L"\n" + content;
    CControlUI* region = root != nullptr ? FindNamed(root, kRegionName) : nullptr;
    if (CEditUI* field = region != nullptr ? RegionText(region) : nullptr) {
        field->SetReadOnly(true);
        field->SetText(text.c_str());
        region->SetVisible(!text.empty());
        return;
    }
    if (finding != nullptr && !content.empty()) {
        const std::wstring own = finding->GetText().Str();
        finding->SetText((own.empty() ? content : own + L"\n\n" + content).c_str());
        ShowReadOnly(finding, true);
    }
}
