#include "binding/KMReportUIHandler.h"
#include "binding/KMFieldText.h"
#include "binding/KMLinkDelegate.h"
#include "binding/KMPageWalk.h"
#include "platform/kmdicom/KMDcmTags.h"

#include "platform/duilib/CComboUI.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CDateTimeUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CPictureUI.h"
#include "platform/kmbase/KMString.h"
#include "platform/kmbase/QRCode.h"
#include "platform/kmdicom/KMDcmConvert.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmVR.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <cwctype>

using DuiLib::CComboUI;
using DuiLib::CContainerUI;
using DuiLib::CControlUI;
using DuiLib::CDateTimeUI;
using DuiLib::CEditUI;
using DuiLib::CPictureUI;

namespace {

using Scope = KMPageWalk::Scope;

// An edit takes only what the element behind its tag can hold: the characters its value
// representation allows and, for a single value, no more of them than it may have. What passes
// here is checked whole when it is stored.
void LimitInput(CControlUI* control, DWORD tag, const KMDcmVR& rules)
{
    auto* edit = dynamic_cast<CEditUI*>(control);
    if (edit == nullptr || !rules.IsKnown() || tag == KMDcmTag::PatientAge) {
        return;
    }
    edit->SetCharFilter([rules](wchar_t c) { return rules.IsCharacterAllowed(c); });
    if (rules.GetMaxLength() == 0 || rules.AllowsMultipleValues()) {
        return;
    }
    // A person name has up to three component groups of that length, joined by '='.
    edit->SetMaxChar(rules.GetName() == "PN" ? 3 * rules.GetMaxLength() + 2 : rules.GetMaxLength());
}

// A display field keeps the look of a field but takes neither the focus nor input.
void MakeDisplay(CControlUI* control)
{
    control->SetEnabled(false);
    control->SetDisabledTextColor(control->GetTextColor());
}

// A page that is being printed takes no input: every field shows its value as people read it.
bool IsOnPaper(CControlUI* control)
{
    return control->GetManager() != nullptr && control->GetManager()->IsPrinting();
}

bool IsVerifierTag(DWORD tag)
{
    return tag == KMDcmTag::VerifyingObserverName || tag == KMDcmTag::VerifyingOrganization ||
           tag == KMDcmTag::VerificationDateTime;
}

// Chooses, without a notification, the first item whose user data is `value`; none when no item
// carries it.
bool SelectByUserData(CComboUI* combo, const wchar_t* value)
{
    for (int i = 0; i < combo->GetCount(); ++i) {
        CControlUI* item = combo->GetItemAt(i);
        if (item != nullptr && item->GetUserData().Str() == value) {
            combo->SelectItem(combo->GetItemIndex(item), false, false);
            return true;
        }
    }
    combo->SelectItem(-1, false, false);
    return false;
}

} // namespace

// The link between this handler and the delegates it put on controls. When the handler goes or
// binds another tree, the link is cut and those delegates do nothing.
struct KMReportUIHandler::Binding {
    KMReportUIHandler* pHandler;

    bool Deliver(void* param) { return pHandler == nullptr || pHandler->OnControlEvent(param); }
};

KMReportUIHandler::KMReportUIHandler()
    : m_pRoot(nullptr), m_nFillDepth(0), m_pBinding(std::make_shared<Binding>(Binding{this}))
{
}

KMReportUIHandler::KMReportUIHandler(const KMReportUIHandler& other)
    : m_pRoot(other.m_pRoot),
      m_vecPictures(other.m_vecPictures),
      m_vecCallbacks(other.m_vecCallbacks),
      m_nFillDepth(other.m_nFillDepth),
      m_pBinding(std::make_shared<Binding>(Binding{this})),
      m_mapShownNames(other.m_mapShownNames),
      m_region(other.m_region)
{
}

KMReportUIHandler& KMReportUIHandler::operator=(const KMReportUIHandler& other)
{
    if (this != &other) {
        m_pRoot = other.m_pRoot;
        m_vecPictures = other.m_vecPictures;
        m_vecCallbacks = other.m_vecCallbacks;
        m_nFillDepth = other.m_nFillDepth;
        m_mapShownNames = other.m_mapShownNames;
        m_region = other.m_region;
    }
    return *this;
}

KMReportUIHandler::~KMReportUIHandler()
{
    m_pBinding->pHandler = nullptr;
}

void KMReportUIHandler::ReadTag(const wchar_t* text, long& group, long& element)
{
    group = 0;
    element = 0;
    if (text == nullptr) {
        return;
    }
    // A tag in DICOM's own notation, "(0010,0040)", is read without its parentheses.
    while (std::iswspace(*text)) {
        ++text;
    }
    if (*text == L'(') {
        ++text;
    }
    wchar_t* end = nullptr;
    group = std::wcstol(text, &end, 16);
    if (end == nullptr || *end == L'\0') {
        return;
    }
    element = std::wcstol(end + 1, nullptr, 16);
}

DWORD KMReportUIHandler::ParseTag(const wchar_t* text)
{
    long group = 0;
    long element = 0;
    ReadTag(text, group, element);
    return (static_cast<DWORD>(group & 0xFFFF) << 16) | static_cast<DWORD>(element & 0xFFFF);
}

void KMReportUIHandler::InitUI(CContainerUI* root, bool bindEvents)
{
    m_pBinding->pHandler = nullptr;
    m_pBinding = std::make_shared<Binding>(Binding{this});
    m_pRoot = root;
    m_mapShownNames.clear();
    // Only a page on a screen takes events; a printed one does not.
    m_region.Reset(bindEvents);
    KMPageWalk::Walk(root, Scope::FieldsAndDisplays, [](CControlUI* control, bool display) {
        if (display && KMPageWalk::IsBindableValue(control)) {
            MakeDisplay(control);
        } else if (!display && !control->GetUserData().IsEmpty()) {
            const DWORD tag = ParseTag(control->GetUserData().GetData());
            // What a person typed into a field whose element the document cannot take (a tag it
            // keeps itself, or one no dictionary knows) would be lost: such a field only shows.
            const KMDcmVR rules = KMDcmSR::GetValueRules(tag);
            if (KMPageWalk::IsBindableValue(control) && (!KMDcmVR::IsHostSettable(tag) || !rules.IsKnown() || !rules.IsText())) {
                MakeDisplay(control);
            } else {
                LimitInput(control, tag, rules);
            }
        }
        return true;
    });
    if (bindEvents) {
        BindControlEvents(root);
    }
    FindPictureUIList(root, m_vecPictures);
}

CControlUI* KMReportUIHandler::FindControl(DWORD tag)
{
    return FindControl(static_cast<WORD>(tag >> 16), static_cast<WORD>(tag & 0xFFFF));
}

CControlUI* KMReportUIHandler::FindControl(WORD group, WORD element)
{
    return m_pRoot != nullptr ? FindControl(m_pRoot, group, element) : nullptr;
}

CControlUI* KMReportUIHandler::FindControl(CContainerUI* container, WORD group, WORD element)
{
    CControlUI* found = nullptr;
    KMPageWalk::Walk(container, Scope::Fields, [&](CControlUI* control, bool) {
        if (!KMPageWalk::IsFilledValue(control) || control->GetUserData().IsEmpty()) {
            return true;
        }
        // Compared as filling and reporting read the tag, so that a field the document fills is
        // also the one a host's value reaches (a group written with five digits included).
        if (ParseTag(control->GetUserData().GetData()) == ((static_cast<DWORD>(group) << 16) | element)) {
            found = control;
        }
        return found == nullptr;
    });
    return found;
}

CControlUI* KMReportUIHandler::FindControl(CContainerUI* container, const std::wstring& name)
{
    CControlUI* found = nullptr;
    KMPageWalk::Walk(container, Scope::Fields, [&](CControlUI* control, bool) {
        if (control->GetName().Str() == name) {
            found = control;
        }
        return found == nullptr;
    });
    return found;
}

void KMReportUIHandler::FindPictureUIList(CContainerUI* container, std::vector<CPictureUI*>& list)
{
    list.clear();
    KMPageWalk::Walk(container, Scope::Fields, [&](CControlUI* control, bool) {
        auto* picture = KMPageWalk::IsClass(control, L"Picture") ? dynamic_cast<CPictureUI*>(control) : nullptr;
        if (picture != nullptr && picture->IsVisible()) {
            list.push_back(picture);
        }
        return true;
    });
}

bool KMReportUIHandler::SetValue(DWORD tag, const wchar_t* value)
{
    if (value == nullptr) {
        return false;
    }
    CControlUI* control = FindControl(m_pRoot, static_cast<WORD>(tag >> 16), static_cast<WORD>(tag & 0xFFFF));
    // The value comes from the document: showing it is no edit of a person's to report back.
    ++m_nFillDepth;
    if (control != nullptr) {
        ShowValue(control, tag, value, false);
    }
    RefreshDisplays(tag, value);
    --m_nFillDepth;
    return control != nullptr;
}

void KMReportUIHandler::RefreshDisplays(DWORD tag, const wchar_t* value)
{
    ++m_nFillDepth;
    KMPageWalk::Walk(m_pRoot, Scope::FieldsAndDisplays, [&](CControlUI* control, bool display) {
        if (display && KMPageWalk::IsFilledValue(control) && !control->GetUserData().IsEmpty() &&
            ParseTag(control->GetUserData().GetData()) == tag) {
            ShowValue(control, tag, value, true);
        }
        return true;
    });
    --m_nFillDepth;
}

void KMReportUIHandler::ShowValue(CControlUI* control, DWORD tag, const wchar_t* value, bool display)
{
    if (tag == KMDcmTag::PatientSex) {
        SetControlValue_PatientSex(control, value);
    } else if (tag == KMDcmTag::PatientAge) {
        SetControlValue_PatientAge(control, value);
    } else if (KMPageWalk::IsClass(control, L"DateTime")) {
        SetControlValue_Date(dynamic_cast<CDateTimeUI*>(control), value);
    } else if (display || KMPageWalk::IsClass(control, L"Label") || IsOnPaper(control)) {
        control->SetText(KMFieldText::ToField(tag, value, true).c_str());
    } else {
        const std::wstring text = KMFieldText::ToField(tag, value, false);
        if (!control->HasText(text.c_str())) {
            control->SetText(text.c_str());
        }
        // A name is shown in reading order: what a person changes in it is read against this.
        if (KMFieldText::IsPersonName(tag)) {
            m_mapShownNames[control] = value;
        }
    }
}

bool KMReportUIHandler::GetValue(DWORD tag, std::wstring& value)
{
    CControlUI* control = FindControl(tag);
    if (control == nullptr) {
        return false;
    }
    value = control->GetText().Str();
    return true;
}

void KMReportUIHandler::RegisterCallback(IKMReportUIHandlerCallback* callback)
{
    if (callback != nullptr && std::find(m_vecCallbacks.begin(), m_vecCallbacks.end(), callback) == m_vecCallbacks.end()) {
        m_vecCallbacks.push_back(callback);
    }
}

void KMReportUIHandler::UnRegisterCallback(IKMReportUIHandlerCallback* callback)
{
    if (callback == nullptr) {
        return;
    }
    auto it = std::find(m_vecCallbacks.begin(), m_vecCallbacks.end(), callback);
    if (it != m_vecCallbacks.end()) {
        m_vecCallbacks.erase(it);
    }
}

void KMReportUIHandler::TriggerCallback(DWORD tag, const wchar_t* value)
{
    // A listener may register or remove listeners, or end this handler, while it is told; the
    // loop runs over a snapshot, skips removed listeners and stops when the handler is gone.
    const std::shared_ptr<Binding> binding = m_pBinding;
    const std::vector<IKMReportUIHandlerCallback*> snapshot = m_vecCallbacks;
    // The text is the caller's own (a local, or a temporary of the calling expression), which no
    // listener can change: a field's megabytes are not copied for each edit.
    const wchar_t* text = value != nullptr ? value : L"";
    for (IKMReportUIHandlerCallback* callback : snapshot) {
        if (binding->pHandler != this) {
            return;
        }
        if (std::find(m_vecCallbacks.begin(), m_vecCallbacks.end(), callback) != m_vecCallbacks.end()) {
            callback->OnValueChanged(tag, text);
        }
    }
}

void KMReportUIHandler::BindControlEvents(CContainerUI* container)
{
    KMPageWalk::Walk(container, Scope::Fields, [&](CControlUI* control, bool) {
        if (KMPageWalk::IsBindableValue(control) && !control->GetUserData().IsEmpty()) {
            control->OnNotify += KMLinkDelegate<Binding>(m_pBinding);
        }
        return true;
    });
}

bool KMReportUIHandler::OnControlEvent(void* param)
{
    auto* msg = static_cast<DuiLib::TNotifyUI*>(param);
    if (m_nFillDepth != 0 || msg == nullptr || msg->pSender == nullptr) {
        return true;
    }
    CControlUI* sender = msg->pSender;
    const std::wstring type = msg->sType.Str();
    if (type == DuiLib::DUI_MSGTYPE_TEXTCHANGED || type == DuiLib::DUI_MSGTYPE_ITEMSELECT) {
        if (sender->GetUserData().IsEmpty()) {
            return true;
        }
        const DWORD tag = ParseTag(sender->GetUserData().GetData());
        std::wstring value;
        if (type == DuiLib::DUI_MSGTYPE_TEXTCHANGED) {
            if (GetTypedValue(sender, tag, value)) {
                TriggerCallback(tag, value.c_str());
            }
        } else if (tag == KMDcmTag::PatientSex) {
            if (GetControlValue_PatientSex(sender, value)) {
                TriggerCallback(tag, value.c_str());
            }
        } else if (tag == KMDcmTag::PatientAge) {
            if (GetControlValue_PatientAge(sender, value)) {
                TriggerCallback(tag, value.c_str());
            }
        } else if (KMPageWalk::IsClass(sender, L"EditCombo")) {
            // A picked item is stored as the same text typed would be.
            TriggerCallback(tag, sender->GetText().GetData());
        }
    } else if (type == DuiLib::DUI_MSGTYPE_KILLFOCUS && KMPageWalk::IsClass(sender, L"DateTime")) {
        if (auto* date = dynamic_cast<CDateTimeUI*>(sender)) {
            std::wstring value;
            const DWORD tag = ParseTag(sender->GetUserData().GetData());
            if (GetControlValue_Date(date, value)) {
                TriggerCallback(tag, value.c_str());
            }
        }
    }
    return true;
}

void KMReportUIHandler::CommitPendingInput()
{
    // What a person typed that a field keeps to itself for now: a date until the focus leaves
    // it, a long text until typing pauses.
    CControlUI* focus = FocusedField();
    if (focus == nullptr || m_nFillDepth != 0) {
        return;
    }
    bool mine = false;
    KMPageWalk::Walk(m_pRoot, Scope::Fields, [&](CControlUI* control, bool) {
        mine = control == focus;
        return !mine;
    });
    if (!mine) {
        return;
    }
    if (auto* edit = dynamic_cast<CEditUI*>(focus)) {
        edit->FlushTextChanged();
        return;
    }
    DWORD tag = 0;
    std::wstring value;
    if (GetPendingDate(tag, value)) {
        TriggerCallback(tag, value.c_str());
    }
}

bool KMReportUIHandler::GetPendingDate(DWORD& tag, std::wstring& value)
{
    CControlUI* focus = FocusedField();
    auto* date = focus != nullptr && KMPageWalk::IsClass(focus, L"DateTime") ? dynamic_cast<CDateTimeUI*>(focus) : nullptr;
    bool mine = false;
    KMPageWalk::Walk(m_pRoot, Scope::Fields, [&](CControlUI* control, bool) {
        mine = date != nullptr && control == date;
        return !mine;
    });
    if (!mine || !GetControlValue_Date(date, value)) {
        return false;
    }
    tag = ParseTag(date->GetUserData().GetData());
    return true;
}

bool KMReportUIHandler::GetTypedValue(CControlUI* field, DWORD tag, std::wstring& value)
{
    if (tag == KMDcmTag::PatientAge) {
        return GetControlValue_PatientAge(field, value);
    }
    // A text field's own text is read where it is; other fields give a copy.
    const auto* edit = dynamic_cast<const CEditUI*>(field);
    const DuiLib::CDuiString copied = edit == nullptr ? field->GetText() : DuiLib::CDuiString();
    const auto shown = m_mapShownNames.find(field);
    KMFieldText::ToDocument(tag, edit != nullptr ? edit->GetTextView() : copied.Str(),
                            shown != m_mapShownNames.end() ? shown->second : std::wstring(), value);
    return true;
}

bool KMReportUIHandler::GetPendingInput(DWORD& tag, std::wstring& value)
{
    tag = 0;
    auto* edit = dynamic_cast<CEditUI*>(FocusedField());
    if (edit == nullptr || !edit->HasPendingChange() || m_nFillDepth != 0) {
        return GetPendingDate(tag, value);
    }
    bool mine = false;
    KMPageWalk::Walk(m_pRoot, Scope::Fields, [&](CControlUI* control, bool) {
        mine = control == edit;
        return !mine;
    });
    tag = mine ? ParseTag(edit->GetUserData().GetData()) : 0;
    if (tag == 0 || !GetTypedValue(edit, tag, value)) {
        tag = 0;
        return false;
    }
    return true;
}

bool KMReportUIHandler::HasPendingInput() const
{
    const auto* edit = dynamic_cast<const CEditUI*>(FocusedField());
    return edit != nullptr && edit->HasPendingChange();
}

CControlUI* KMReportUIHandler::FocusedField() const
{
    CControlUI* focus = m_pRoot != nullptr && m_pRoot->GetManager() != nullptr ? m_pRoot->GetManager()->GetFocus() : nullptr;
    return focus != nullptr && !focus->GetUserData().IsEmpty() ? focus : nullptr;
}

bool KMReportUIHandler::EnableUI(bool enable)
{
    return EnableUI(m_pRoot, enable);
}

bool KMReportUIHandler::EnableUI(CContainerUI* container, bool enable)
{
    if (container == nullptr) {
        return false;
    }
    KMPageWalk::Walk(container, Scope::Fields, [&](CControlUI* control, bool) {
        if (KMPageWalk::IsBindableValue(control)) {
            control->SetEnabled(enable);
        }
        return true;
    });
    return true;
}

bool KMReportUIHandler::SetDcmSR(KMDcmSR* sr)
{
    const bool filled = SetDcmSR(m_pRoot, sr);
    if (sr != nullptr) {
        LoadPictures(sr);
    }
    return filled;
}

bool KMReportUIHandler::SetDcmSR(CContainerUI* container, KMDcmSR* sr)
{
    if (container == nullptr || sr == nullptr) {
        return false;
    }
    ++m_nFillDepth;
    std::vector<std::string> notes;
    KMPageWalk::Walk(container, Scope::FieldsAndDisplays, [&](CControlUI* control, bool display) {
        if (KMPageWalk::IsFilledValue(control) && !control->GetUserData().IsEmpty()) {
            const DWORD tag = ParseTag(control->GetUserData().GetData());
            std::wstring value;
            // Paper names a verifier only once the report is verified: before, the name typed for
            // the verification to come would read as a signature.
            if (!IsOnPaper(control) || sr->IsVerified() || !IsVerifierTag(tag)) {
                sr->GetValue(tag, value);
            }
            ShowValue(control, tag, value.c_str(), display);
            // A field whose content one text cannot replace only shows it, and says why.
            std::string reason;
            const bool writable = display || sr->CanSetValue(tag, reason);
            m_region.ShowReadOnly(control, !writable);
            if (!writable && std::find(notes.begin(), notes.end(), reason) == notes.end()) {
                notes.push_back(reason);
            }
        }
        return true;
    });
    if (container == m_pRoot) {
        m_region.Show(m_pRoot, sr->GetOtherContent(), notes,
                      dynamic_cast<CEditUI*>(FindControl(KMDcmTag::ReportFinding)));
    }
    --m_nFillDepth;
    return true;
}

void KMReportUIHandler::LoadPictures(KMDcmSR* sr)
{
    for (size_t i = 0; i < m_vecPictures.size(); ++i) {
        KMDcmDataset item;
        const unsigned char* bytes = nullptr;
        unsigned long length = 0;
        const bool held = sr->GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, static_cast<int>(i)) &&
                          item.GetUint8Array(KMDcmTag::EncapsulatedDocument, bytes, length) &&
                          length <= static_cast<unsigned long>(INT_MAX);
        // A box shows only what this document holds, never a picture left from another one.
        if (!held || !m_vecPictures[i]->SetPicture(bytes, static_cast<int>(length))) {
            m_vecPictures[i]->ClearPicture();
        }
    }
}

bool KMReportUIHandler::ClearUI()
{
    KMDcmSR empty;
    return SetDcmSR(&empty);
}

int KMReportUIHandler::GetImageBoxCount()
{
    return static_cast<int>(m_vecPictures.size());
}

bool KMReportUIHandler::SetImageBox(int index, const unsigned char* data, long length)
{
    if (data == nullptr || index < 0 || length <= 0 || length > INT_MAX || index >= GetImageBoxCount()) {
        return false;
    }
    m_vecPictures[static_cast<size_t>(index)]->SetPicture(data, static_cast<int>(length));
    return true;
}

bool KMReportUIHandler::ClearImageBox(int index)
{
    if (index < 0 || index >= GetImageBoxCount()) {
        return false;
    }
    m_vecPictures[static_cast<size_t>(index)]->ClearPicture();
    return true;
}

int KMReportUIHandler::GetImageBoxAt(POINT point)
{
    CControlUI* hit = m_pRoot != nullptr && m_pRoot->GetManager() != nullptr ? m_pRoot->GetManager()->FindControl(point) : nullptr;
    const auto found = std::find(m_vecPictures.begin(), m_vecPictures.end(), hit);
    return hit != nullptr && found != m_vecPictures.end() ? static_cast<int>(found - m_vecPictures.begin()) : -1;
}

bool KMReportUIHandler::SetQRCode(const char* text)
{
    if (m_pRoot == nullptr) {
        return false;
    }
    const std::string copy = text != nullptr ? text : "";
    CControlUI* box = FindControl(m_pRoot, std::wstring(L"RT_QRCODE"));
    if (box == nullptr) {
        return false;
    }
    if (copy.empty()) {
        box->SetBkImage(static_cast<const wchar_t*>(nullptr));
        return true;
    }
    int width = 0;
    int height = 0;
    HBITMAP bitmap = QRCode::CreateBitmapOfQRCode(copy.c_str(), width, height);
    if (bitmap == nullptr) {
        // A code the text cannot become must not leave the previous one in its place.
        box->SetBkImage(static_cast<const wchar_t*>(nullptr));
        return false;
    }
    box->SetBkImage(bitmap, width, height);
    return true;
}

bool KMReportUIHandler::SetControlValue_PatientSex(CControlUI* control, const wchar_t* value)
{
    if (control == nullptr || value == nullptr) {
        return false;
    }
    if (KMPageWalk::IsClass(control, L"Edit")) {
        control->SetText(value);
        return true;
    }
    if (!KMPageWalk::IsClass(control, L"Combo")) {
        return false;
    }
    auto* combo = dynamic_cast<CComboUI*>(control);
    if (combo == nullptr) {
        return false;
    }
    return SelectByUserData(combo, value);
}

bool KMReportUIHandler::GetControlValue_PatientSex(CControlUI* control, std::wstring& value)
{
    if (control == nullptr || !KMPageWalk::IsClass(control, L"Combo")) {
        return false;
    }
    auto* combo = dynamic_cast<CComboUI*>(control);
    CControlUI* item = combo != nullptr ? combo->GetItemAt(combo->GetCurSel()) : nullptr;
    if (item == nullptr) {
        return false;
    }
    value = item->GetUserData().Str();
    return true;
}

bool KMReportUIHandler::GetControlUI_PatientAge(CControlUI* control, CEditUI*& edit, CComboUI*& combo)
{
    edit = nullptr;
    combo = nullptr;
    if (control == nullptr) {
        return false;
    }
    auto* parent = dynamic_cast<CContainerUI*>(control->GetParent());
    if (parent == nullptr) {
        return true;
    }
    const int index = parent->GetItemIndex(control);
    auto isAgePartner = [](CControlUI* candidate, const wchar_t* cls) {
        return candidate != nullptr && !candidate->GetUserData().IsEmpty() && KMPageWalk::IsClass(candidate, cls) &&
               ParseTag(candidate->GetUserData().GetData()) == KMDcmTag::PatientAge;
    };
    if (KMPageWalk::IsClass(control, L"Edit")) {
        edit = dynamic_cast<CEditUI*>(control);
        CControlUI* next = parent->GetItemAt(index + 1);
        if (isAgePartner(next, L"Combo")) {
            combo = dynamic_cast<CComboUI*>(next);
        }
    } else if (KMPageWalk::IsClass(control, L"Combo")) {
        combo = dynamic_cast<CComboUI*>(control);
        CControlUI* previous = index >= 1 ? parent->GetItemAt(index - 1) : nullptr;
        if (isAgePartner(previous, L"Edit")) {
            edit = dynamic_cast<CEditUI*>(previous);
        }
    }
    return true;
}

bool KMReportUIHandler::SetControlValue_PatientAge(CControlUI* control, const wchar_t* value)
{
    if (control == nullptr || value == nullptr) {
        return false;
    }
    const KMString text(value);
    KMString number;
    KMString unit;
    if (!text.empty()) {
        KMDcmAge age;
        KMDcmConvert::Convert(text.c_str(), age);
        KMDcmConvert::Convert(age, number, unit);
    }
    CEditUI* edit = nullptr;
    CComboUI* combo = nullptr;
    GetControlUI_PatientAge(control, edit, combo);
    if (edit == nullptr) {
        return true;
    }
    if (combo == nullptr) {
        edit->SetText(value);
        return true;
    }
    edit->SetText(number.c_wstr());
    SelectByUserData(combo, unit.c_wstr());
    return true;
}

bool KMReportUIHandler::GetControlValue_PatientAge(CControlUI* control, std::wstring& value)
{
    CEditUI* edit = nullptr;
    CComboUI* combo = nullptr;
    if (control == nullptr || !GetControlUI_PatientAge(control, edit, combo) || edit == nullptr) {
        return false;
    }
    if (combo == nullptr) {
        value = edit->GetText().Str();
        return true;
    }
    const KMString number(edit->GetText().Str());
    CControlUI* chosen = combo->GetItemAt(combo->GetCurSel());
    const KMString unit(chosen != nullptr ? chosen->GetUserData().Str() : std::wstring());
    KMDcmAge age;
    KMString text;
    KMDcmConvert::Convert(number.c_str(), unit.c_str(), age);
    KMDcmConvert::Convert(age, text);
    value = text.wstr();
    return true;
}

bool KMReportUIHandler::SetControlValue_Date(CDateTimeUI* control, const wchar_t* value)
{
    if (control == nullptr || value == nullptr) {
        return false;
    }
    KMDcmDate date;
    if (!KMDcmConvert::Convert(KMString(value).c_str(), date)) {
        control->SetText(value);
        return false;
    }
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.nYear & 0xFFFF);
    time.wMonth = static_cast<WORD>(date.nMonth & 0xFFFF);
    time.wDay = static_cast<WORD>(date.nDay & 0xFFFF);
    control->SetTime(&time);
    return true;
}

bool KMReportUIHandler::GetControlValue_Date(CDateTimeUI* control, std::wstring& value)
{
    value.clear();
    if (control == nullptr) {
        return false;
    }
    if (control->GetText().IsEmpty()) {
        return true;
    }
    // Text that is no date has no DICOM form: the stored date stays as it is.
    SYSTEMTIME time{};
    if (!control->GetDate(time)) {
        return false;
    }
    KMDcmDate date;
    date.nYear = time.wYear;
    date.nMonth = time.wMonth;
    date.nDay = time.wDay;
    KMString text;
    KMDcmConvert::Convert(date, text);
    value = text.wstr();
    return true;
}
