#include "platform/duilib/CPaintManagerUI.h"

#include "platform/duilib/CComboUI.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/duilib/ITextEditUI.h"
#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/DeviceContext.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace DuiLib {

namespace {

std::wstring& ResourcePath()
{
    static std::wstring path;
    return path;
}

// Layout passes run until nothing asks for another one; listeners that resize the page in
// response to a size change converge in two or three.
constexpr int kMaxLayoutPasses = 8;

IClipboardUI*& HostClipboard()
{
    static IClipboardUI* clipboard = nullptr;
    return clipboard;
}

// Modifier keys as mouse messages carry them.
WPARAM KeyboardState()
{
    return (GetKeyState(static_cast<int>(VK_SHIFT)) < 0 ? MK_SHIFT : 0) |
           (GetKeyState(static_cast<int>(VK_CONTROL)) < 0 ? MK_CONTROL : 0);
}

} // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI()
{
    m_bDestroying = true;
    m_pFocus = nullptr;
    m_pOpenDropDown = nullptr;
    m_pDropDownOwner = nullptr;
    m_pEventClick = nullptr;
    for (const TTimerInfo& timer : m_vecTimers) {
        ::KillTimer(m_hWndPaint, timer.uWinTimer);
    }
    m_vecTimers.clear();
    delete m_pRoot;
    m_pRoot = nullptr;
    for (auto& image : m_mapImages) {
        DeleteObject(image.second.hBitmap);
    }
}

void CPaintManagerUI::Init(HWND hWnd)
{
    m_hWndPaint = hWnd;
}

void CPaintManagerUI::SetResourcePath(LPCTSTR path)
{
    ResourcePath() = path != nullptr ? path : L"";
    if (!ResourcePath().empty() && ResourcePath().back() != L'/') {
        ResourcePath() += L'/';
    }
}

CDuiString CPaintManagerUI::GetResourcePath()
{
    return CDuiString(ResourcePath());
}

bool CPaintManagerUI::AttachDialog(CControlUI* root)
{
    if (root == nullptr) {
        return false;
    }
    SetFocus(nullptr);
    SetOpenDropDown(nullptr);
    delete m_pRoot;
    m_pRoot = root;
    root->SetManager(this, nullptr);
    NeedUpdate();
    return true;
}

namespace {

CControlUI* FindByName(CControlUI* control, const std::wstring& name)
{
    if (control == nullptr) {
        return nullptr;
    }
    if (control->GetName().Str() == name) {
        return control;
    }
    auto* container = dynamic_cast<CContainerUI*>(control);
    if (container == nullptr || dynamic_cast<CComboUI*>(control) != nullptr) {
        return nullptr;
    }
    for (int i = 0; i < container->GetCount(); ++i) {
        if (CControlUI* found = FindByName(container->GetItemAt(i), name)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

CControlUI* CPaintManagerUI::FindControl(LPCTSTR name) const
{
    return name != nullptr && *name != L'\0' ? FindByName(m_pRoot, name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const
{
    return m_pRoot != nullptr ? m_pRoot->FindControlAt(pt) : nullptr;
}

void CPaintManagerUI::SetZoomRatio(float ratio)
{
    if (!(ratio >= 0.01f && ratio <= 100.0f) || ratio == m_fZoomRatio) {
        return;
    }
    m_fZoomRatio = ratio;
    NeedUpdate();
}

int CPaintManagerUI::Scale(double design) const
{
    return RoundCoordinate(design * m_fZoomRatio);
}

void CPaintManagerUI::AddFont(int id, const TFontInfo& font, bool isDefault)
{
    m_mapFonts[id] = font;
    if (isDefault) {
        m_defaultFont = font;
    }
}

const TFontInfo& CPaintManagerUI::GetFont(int index) const
{
    auto it = m_mapFonts.find(index);
    return it != m_mapFonts.end() ? it->second : m_defaultFont;
}

void CPaintManagerUI::AddImage(LPCTSTR name, HBITMAP bitmap, int width, int height)
{
    if (name == nullptr || bitmap == nullptr) {
        DeleteObject(bitmap);
        return;
    }
    TImageInfo& image = m_mapImages[name];
    if (image.hBitmap != bitmap) {
        DeleteObject(image.hBitmap);
    }
    image = TImageInfo{bitmap, width, height};
}

const TImageInfo* CPaintManagerUI::GetImage(LPCTSTR name)
{
    if (name == nullptr || *name == L'\0') {
        return nullptr;
    }
    auto it = m_mapImages.find(name);
    if (it != m_mapImages.end()) {
        return &it->second;
    }
    // An image that no "img" element registered may be a file of the skin folder; a name that
    // climbs out of it is not read.
    const std::wstring file = name;
    if (file.find(L"..") != std::wstring::npos || file.front() == L'/') {
        return nullptr;
    }
    const KMString path(ResourcePath() + file);
    std::string bytes;
    if (KMFile::Read(path.c_str(), CRenderEngine::kMaxImageBytes, bytes) != KMFile::Error::None) {
        return nullptr;
    }
    HBITMAP bitmap = CRenderEngine::CreateBitmap(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (bitmap == nullptr) {
        return nullptr;
    }
    BITMAP info{};
    GetObject(bitmap, sizeof(info), &info);
    AddImage(name, bitmap, info.bmWidth, info.bmHeight);
    return &m_mapImages[name];
}

void CPaintManagerUI::SetFocus(CControlUI* control)
{
    if (m_bDestroying || control == m_pFocus) {
        return;
    }
    if (control != nullptr && (!control->IsVisible() || !control->IsEnabled() || !control->IsFocusable())) {
        return;
    }
    CControlUI* old = m_pFocus;
    m_pFocus = control;
    if (old != nullptr) {
        TEventUI event{UIEVENT_KILLFOCUS};
        event.pSender = old;
        old->DoEvent(event);
        SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
    }
    // A listener of "killfocus" may have moved the focus already, or removed the control.
    if (m_pFocus != control || control == nullptr) {
        return;
    }
    if (m_hWndPaint != nullptr && ::GetFocus() != m_hWndPaint) {
        // The window's own WM_SETFOCUS must not hand the control its focus a second time.
        m_bSettingFocus = true;
        ::SetFocus(m_hWndPaint);
        m_bSettingFocus = false;
    }
    TEventUI event{UIEVENT_SETFOCUS};
    event.pSender = control;
    control->DoEvent(event);
    SendNotify(control, DUI_MSGTYPE_SETFOCUS);
}

void CPaintManagerUI::WindowFocusChanged(bool gained)
{
    // The focused control keeps its place while the window is away, and is told both ways, so
    // that a field being typed into stores its text and stops its caret when the person turns
    // to another window, and takes the keys again on return.
    if (m_bSettingFocus || m_bDestroying || m_pFocus == nullptr || m_pFocus->IsFocused() == gained) {
        return;
    }
    CControlUI* control = m_pFocus;
    TEventUI event{gained ? UIEVENT_SETFOCUS : UIEVENT_KILLFOCUS};
    event.pSender = control;
    control->DoEvent(event);
    SendNotify(control, gained ? DUI_MSGTYPE_SETFOCUS : DUI_MSGTYPE_KILLFOCUS);
}

void CPaintManagerUI::CollectFocusable(CControlUI* control, std::vector<CControlUI*>& list) const
{
    if (control == nullptr || !control->IsVisible()) {
        return;
    }
    if (control->IsFocusable() && control->IsEnabled()) {
        list.push_back(control);
        return;
    }
    if (auto* container = dynamic_cast<CContainerUI*>(control)) {
        for (int i = 0; i < container->GetCount(); ++i) {
            CollectFocusable(container->GetItemAt(i), list);
        }
    }
}

bool CPaintManagerUI::SetNextTabControl(bool forward)
{
    std::vector<CControlUI*> list;
    CollectFocusable(m_pRoot, list);
    if (list.empty()) {
        return false;
    }
    auto it = std::find(list.begin(), list.end(), m_pFocus);
    size_t next = 0;
    if (it != list.end()) {
        const size_t at = static_cast<size_t>(it - list.begin());
        next = forward ? (at + 1) % list.size() : (at + list.size() - 1) % list.size();
    } else if (!forward) {
        next = list.size() - 1;
    }
    SetFocus(list[next]);
    return true;
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT timerId, UINT elapse)
{
    if (control == nullptr || !::IsWindow(m_hWndPaint) || m_bDestroying) {
        return false;
    }
    KillTimer(control, timerId);
    const UINT_PTR winTimer = m_uNextTimer++;
    if (::SetTimer(m_hWndPaint, winTimer, elapse, nullptr) == 0) {
        return false;
    }
    m_vecTimers.push_back(TTimerInfo{control, timerId, winTimer});
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT timerId)
{
    const auto it = std::find_if(m_vecTimers.begin(), m_vecTimers.end(), [&](const TTimerInfo& timer) {
        return timer.pSender == control && timer.nLocalID == timerId;
    });
    if (it == m_vecTimers.end()) {
        return false;
    }
    ::KillTimer(m_hWndPaint, it->uWinTimer);
    m_vecTimers.erase(it);
    return true;
}

void CPaintManagerUI::KillTimers(CControlUI* control)
{
    for (auto it = m_vecTimers.begin(); it != m_vecTimers.end();) {
        bool inside = false;
        for (CControlUI* c = it->pSender; c != nullptr && !inside; c = c->GetParent()) {
            inside = c == control;
        }
        if (inside) {
            ::KillTimer(m_hWndPaint, it->uWinTimer);
            it = m_vecTimers.erase(it);
        } else {
            ++it;
        }
    }
}

void CPaintManagerUI::SetClipboard(IClipboardUI* clipboard)
{
    HostClipboard() = clipboard;
}

IClipboardUI* CPaintManagerUI::GetClipboard()
{
    return HostClipboard() != nullptr ? HostClipboard() : &m_windowClipboard;
}

bool CPaintManagerUI::CWindowClipboard::SetText(const std::wstring& text)
{
    return platform::SetClipboardText(m_manager.m_hWndPaint, text);
}

bool CPaintManagerUI::CWindowClipboard::GetText(std::wstring& text)
{
    return platform::GetClipboardText(m_manager.m_hWndPaint, text);
}

bool CPaintManagerUI::CWindowClipboard::SetSelectionText(const std::wstring& text)
{
    return platform::SetClipboardText(m_manager.m_hWndPaint, text, true);
}

bool CPaintManagerUI::CWindowClipboard::GetSelectionText(std::wstring& text)
{
    return platform::GetClipboardText(m_manager.m_hWndPaint, text, true);
}

ITextEditUI* CPaintManagerUI::GetFocusedTextEdit() const
{
    return m_pFocus != nullptr && m_pFocus->IsVisible() ? dynamic_cast<ITextEditUI*>(m_pFocus) : nullptr;
}

bool CPaintManagerUI::HandleTextMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    ITextEditUI* edit = GetFocusedTextEdit();
    if (edit == nullptr) {
        return false;
    }
    switch (message) {
    case WM_APP_EDITCOMMAND: {
        const auto command = static_cast<EditCommand>(wParam);
        return lParam == 1 ? edit->CanEdit(command) : edit->Edit(command);
    }
    case WM_APP_FINDTEXT: {
        auto* field = dynamic_cast<CEditUI*>(m_pFocus);
        auto* request = reinterpret_cast<platform::TextSearchRequest*>(lParam);
        return field != nullptr && request != nullptr && field->FindText(*request);
    }
    case WM_APP_COMMITTEXT: {
        const auto* text = reinterpret_cast<const std::wstring*>(lParam);
        return text != nullptr && edit->InsertText(*text, TextChange::InputMethod);
    }
    default:
        return false;
    }
}

void CPaintManagerUI::Invalidate(const RECT& rc)
{
    if (m_hWndPaint != nullptr && !m_bDestroying && rc.right > rc.left && rc.bottom > rc.top) {
        ::InvalidateRect(m_hWndPaint, &rc, FALSE);
    }
}

void CPaintManagerUI::AddNotifier(INotifyUI* notifier)
{
    if (notifier != nullptr && std::find(m_vecNotifiers.begin(), m_vecNotifiers.end(), notifier) == m_vecNotifiers.end()) {
        m_vecNotifiers.push_back(notifier);
    }
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier)
{
    m_vecNotifiers.erase(std::remove(m_vecNotifiers.begin(), m_vecNotifiers.end(), notifier), m_vecNotifiers.end());
}

void CPaintManagerUI::SendNotify(CControlUI* control, LPCTSTR type, WPARAM wParam, LPARAM lParam)
{
    if (m_bDestroying || control == nullptr) {
        return;
    }
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    if (!control->OnNotify(&msg)) {
        return;
    }
    const auto notifiers = m_vecNotifiers;
    for (INotifyUI* notifier : notifiers) {
        if (std::find(m_vecNotifiers.begin(), m_vecNotifiers.end(), notifier) != m_vecNotifiers.end()) {
            notifier->Notify(msg);
        }
    }
}

RECT CPaintManagerUI::ClientRect() const
{
    RECT rc{};
    GetClientRect(m_hWndPaint, &rc);
    return rc;
}

void CPaintManagerUI::UpdateLayout()
{
    if (m_pRoot == nullptr || m_bLayingOut) {
        return;
    }
    m_bLayingOut = true;
    for (int pass = 0; pass < kMaxLayoutPasses && m_bUpdateNeeded; ++pass) {
        m_bUpdateNeeded = false;
        m_pRoot->SetPos(ClientRect(), false);
    }
    m_bLayingOut = false;
    // The open drop-down follows its control; the whole window is repainted after a layout, so
    // only the place to repaint when it closes needs to be kept up to date.
    if (m_pOpenDropDown != nullptr) {
        m_rcOpenDropDown = m_pOpenDropDown->GetDropDownRect();
    }
}

RECT CPaintManagerUI::PaintRect(HDC hdc) const
{
    RECT rc = ClientRect();
    cairo_t* cr = platform::GetCairo(hdc);
    if (cr == nullptr) {
        return rc;
    }
    // Only what the context lets through needs painting: a host repainting one field's area
    // should not pay for the whole page.
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    const RECT clip{RoundCoordinate(std::floor(x0)), RoundCoordinate(std::floor(y0)), RoundCoordinate(std::ceil(x1)),
                    RoundCoordinate(std::ceil(y1))};
    return RECT{std::max(rc.left, clip.left), std::max(rc.top, clip.top), std::min(rc.right, clip.right),
                std::min(rc.bottom, clip.bottom)};
}

void CPaintManagerUI::Paint(HDC hdc)
{
    UpdateLayout();
    if (m_pRoot == nullptr) {
        return;
    }
    m_pRoot->Paint(hdc, PaintRect(hdc), nullptr);
    if (m_pOpenDropDown != nullptr) {
        m_pOpenDropDown->PaintDropDown(hdc);
    }
}

void CPaintManagerUI::NeedUpdate()
{
    if (!m_bUpdateNeeded) {
        m_bUpdateNeeded = true;
        Invalidate(ClientRect());
    }
}

void CPaintManagerUI::SetOpenDropDown(IDropDownUI* dropDown)
{
    if (m_pOpenDropDown == dropDown) {
        return;
    }
    Invalidate(m_rcOpenDropDown);
    m_pOpenDropDown = dropDown;
    m_pDropDownOwner = dropDown != nullptr ? dropDown->GetDropDownOwner() : nullptr;
    m_rcOpenDropDown = dropDown != nullptr ? dropDown->GetDropDownRect() : RECT{};
    Invalidate(m_rcOpenDropDown);
}

void CPaintManagerUI::CloseDropDownOf(CControlUI* control)
{
    if (m_pOpenDropDown != nullptr && m_pDropDownOwner == control) {
        SetOpenDropDown(nullptr);
    }
}

void CPaintManagerUI::ReapObjects(CControlUI* control)
{
    // The control, or an ancestor of the focused one, leaves the page: the focus and the open
    // drop-down go without notifications, since the control may be half destroyed.
    for (CControlUI* c = m_pFocus; c != nullptr; c = c->GetParent()) {
        if (c == control) {
            m_pFocus = nullptr;
            break;
        }
    }
    for (CControlUI* c = m_pDropDownOwner; c != nullptr; c = c->GetParent()) {
        if (c == control) {
            m_pOpenDropDown = nullptr;
            m_pDropDownOwner = nullptr;
            Invalidate(m_rcOpenDropDown);
            m_rcOpenDropDown = RECT{};
            break;
        }
    }
    for (CControlUI* c = m_pEventClick; c != nullptr; c = c->GetParent()) {
        if (c == control) {
            m_pEventClick = nullptr;
            break;
        }
    }
    KillTimers(control);
}

bool CPaintManagerUI::HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    UpdateLayout();
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        m_bDropDownPress = PressOpenDropDown(pt);
        if (m_bDropDownPress) {
            m_pEventClick = nullptr;
            return true;
        }
    } else if (m_bDropDownPress && (message == WM_LBUTTONUP || (message == WM_MOUSEMOVE && (wParam & MK_LBUTTON) != 0))) {
        // The drag and the release of a press that a drop-down took reach no control beneath it.
        m_bDropDownPress = message != WM_LBUTTONUP;
        return true;
    }
    if ((message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) && m_pOpenDropDown != nullptr) {
        SetOpenDropDown(nullptr);
    }
    if (message != WM_LBUTTONUP && m_pEventClick == nullptr && IsOverOpenDropDown(pt)) {
        // The page under the drop-down neither scrolls nor shapes the pointer.
        if (message == WM_MOUSEMOVE) {
            ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
        }
        return true;
    }
    TEventUI event{UIEVENT_MOUSEMOVE};
    event.ptMouse = pt;
    event.wKeyState = GET_KEYSTATE_WPARAM(wParam);
    CControlUI* control = FindControl(pt);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        event.Type = message == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK;
        m_pEventClick = nullptr;
        // A press on what takes no input (the page, a display field) takes the focus from the
        // field that had it, so that the next keys go nowhere rather than into a field the person
        // is not looking at; a scroll bar leaves the focus where it is.
        auto* container = dynamic_cast<CContainerUI*>(control);
        const bool onScrollBar = container != nullptr && container->IsOnScrollBar(pt);
        if (control == nullptr || !control->IsEnabled()) {
            SetFocus(nullptr);
            return true;
        }
        if (!onScrollBar) {
            SetFocus(control->IsFocusable() ? control : nullptr);
        }
        m_pEventClick = control;
        break;
    }
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        // The right button brings the focus to the field for its context menu; the middle one
        // pastes the primary selection there.
        if (control == nullptr || !control->IsEnabled() || !control->IsFocusable()) {
            return true;
        }
        SetFocus(control);
        if (m_pFocus != control) {
            return true;
        }
        if (message == WM_MBUTTONDOWN) {
            if (auto* edit = dynamic_cast<ITextEditUI*>(control)) {
                result = edit->PasteSelectionAt(pt) ? 1 : 0;
            }
            return true;
        }
        event.Type = UIEVENT_RBUTTONDOWN;
        break;
    }
    case WM_LBUTTONUP:
        event.Type = UIEVENT_BUTTONUP;
        if (m_pEventClick != nullptr) {
            control = m_pEventClick;
        }
        m_pEventClick = nullptr;
        break;
    case WM_MOUSEMOVE:
        if (m_pEventClick != nullptr && (event.wKeyState & MK_LBUTTON) != 0) {
            control = m_pEventClick;
        }
        break;
    default:
        // The wheel goes to the control under the pointer.
        event.Type = UIEVENT_SCROLLWHEEL;
        event.wParam = static_cast<WPARAM>(GET_WHEEL_DELTA_WPARAM(wParam));
        break;
    }
    if (message == WM_MOUSEMOVE) {
        SetCursorFor(control, pt);
    }
    // The wheel only looks: a disabled field (a verified report's long finding) still scrolls,
    // so that all of it can be read.
    const bool looking = event.Type == UIEVENT_SCROLLWHEEL;
    if (control == nullptr || (!control->IsEnabled() && !looking)) {
        return true;
    }
    event.pSender = control;
    control->DoEvent(event);
    result = event.bHandled ? 1 : 0;
    return true;
}

bool CPaintManagerUI::IsOverOpenDropDown(POINT pt) const
{
    if (m_pOpenDropDown == nullptr) {
        return false;
    }
    const RECT rc = m_pOpenDropDown->GetDropDownRect();
    return PtInRect(&rc, pt) != FALSE;
}

bool CPaintManagerUI::PressOpenDropDown(POINT pt)
{
    IDropDownUI* open = m_pOpenDropDown;
    if (open == nullptr) {
        return false;
    }
    if (IsOverOpenDropDown(pt)) {
        // What the press does may close the drop-down or take its control off the page.
        if (open->PressDropDown(pt) && m_pOpenDropDown == open) {
            SetOpenDropDown(nullptr);
        }
        return true;
    }
    CControlUI* owner = m_pDropDownOwner;
    SetOpenDropDown(nullptr);
    // A press on the control whose drop-down was open only closes it.
    return FindControl(pt) == owner;
}

void CPaintManagerUI::SetCursorFor(CControlUI* control, POINT pt)
{
    if (control == nullptr) {
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
        return;
    }
    TEventUI event{UIEVENT_SETCURSOR};
    event.pSender = control;
    event.ptMouse = pt;
    control->DoEvent(event);
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message) {
    case WM_SIZE:
        NeedUpdate();
        UpdateLayout();
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_MOUSEWHEEL:
        return HandleMouse(message, wParam, lParam, result);
    case WM_APP_EDITCOMMAND:
    case WM_APP_FINDTEXT:
    case WM_APP_COMMITTEXT:
        result = HandleTextMessage(message, wParam, lParam) ? 1 : 0;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        WindowFocusChanged(message == WM_SETFOCUS);
        return true;
    case WM_IME_COMPOSITION: {
        if (m_pFocus == nullptr) {
            return false;
        }
        TEventUI event{UIEVENT_IME_COMPOSITION};
        event.pSender = m_pFocus;
        event.lParam = lParam;
        m_pFocus->DoEvent(event);
        return true;
    }
    case WM_TIMER: {
        const auto it = std::find_if(m_vecTimers.begin(), m_vecTimers.end(),
                                     [wParam](const TTimerInfo& timer) { return timer.uWinTimer == wParam; });
        if (it == m_vecTimers.end()) {
            return false;
        }
        TEventUI event{UIEVENT_TIMER};
        event.pSender = it->pSender;
        event.wParam = it->nLocalID;
        it->pSender->DoEvent(event);
        return true;
    }
    case WM_KEYDOWN: {
        if (wParam == VK_TAB) {
            SetOpenDropDown(nullptr);
            SetNextTabControl(GetKeyState(static_cast<int>(VK_SHIFT)) >= 0);
            return true;
        }
        if (m_pFocus == nullptr) {
            return false;
        }
        TEventUI event{UIEVENT_KEYDOWN};
        event.pSender = m_pFocus;
        event.wParam = wParam;
        event.wKeyState = KeyboardState();
        m_pFocus->DoEvent(event);
        return true;
    }
    case WM_CHAR: {
        if (m_pFocus == nullptr) {
            return false;
        }
        TEventUI event{UIEVENT_CHAR};
        event.pSender = m_pFocus;
        event.chKey = static_cast<wchar_t>(wParam);
        event.wKeyState = KeyboardState();
        m_pFocus->DoEvent(event);
        return true;
    }
    default:
        return false;
    }
}

} // namespace DuiLib
