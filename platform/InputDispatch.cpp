#include "platform/InputDispatch.h"

#include <vector>

namespace srctrl::platform::input {

namespace {

using srctrl::HasModifier;
using srctrl::Key;
using srctrl::Modifiers;

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd)
{
    for (HWND h = hwnd; h != nullptr; h = ::GetParent(h)) {
        if (h == ancestor) {
            return true;
        }
    }
    return false;
}

// The focus window, when it lies in `hwnd`'s tree.
HWND FocusWithin(HWND hwnd)
{
    const HWND focus = ::GetFocus();
    return focus != nullptr && IsSelfOrDescendant(hwnd, focus) ? focus : nullptr;
}

// The window that took the last button press, which gets the moves and the release.
HWND g_pressed = nullptr;

WPARAM MouseKeys(Modifiers modifiers)
{
    return (HasModifier(modifiers, Modifiers::Shift) ? MK_SHIFT : 0) |
           (HasModifier(modifiers, Modifiers::Ctrl) ? MK_CONTROL : 0);
}

// Modifier keys go down before an action and come up after it, as a person's fingers do.
class HeldModifiers {
public:
    HeldModifiers(HWND target, Modifiers modifiers) : m_target(target)
    {
        for (WPARAM vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
            if (HasModifier(modifiers, ModifierOf(vk))) {
                SendMessage(m_target, WM_KEYDOWN, vk, 0);
                m_vecDown.push_back(vk);
            }
        }
    }
    ~HeldModifiers()
    {
        for (auto it = m_vecDown.rbegin(); it != m_vecDown.rend(); ++it) {
            // The window may be gone; the key state is released all the same.
            SendMessage(::IsWindow(m_target) ? m_target : nullptr, WM_KEYUP, *it, 0);
        }
    }
    HeldModifiers(const HeldModifiers&) = delete;
    HeldModifiers& operator=(const HeldModifiers&) = delete;

private:
    static Modifiers ModifierOf(WPARAM vk)
    {
        return vk == VK_SHIFT ? Modifiers::Shift : vk == VK_CONTROL ? Modifiers::Ctrl : Modifiers::Alt;
    }

    HWND m_target;
    std::vector<WPARAM> m_vecDown;
};

// The window under a client point of `hwnd`, with the point made relative to it; null outside
// the window.
HWND TargetAt(HWND hwnd, int x, int y, POINT& pt)
{
    RECT rc{};
    if (!::GetClientRect(hwnd, &rc) || x < 0 || y < 0 || x >= rc.right || y >= rc.bottom) {
        return nullptr;
    }
    pt = POINT{x, y};
    return ChildWindowFromPointDeep(hwnd, pt);
}

// A point of `hwnd`'s client area in the client coordinates of its descendant `target`.
POINT ToDescendant(HWND hwnd, HWND target, int x, int y)
{
    POINT pt{x, y};
    for (HWND h = target; h != nullptr && h != hwnd; h = ::GetParent(h)) {
        RECT rc{};
        ::GetWindowRect(h, &rc);
        pt.x -= rc.left;
        pt.y -= rc.top;
    }
    return pt;
}

WPARAM VirtualKey(Key key)
{
    if (key >= Key::A && key <= Key::Z) {
        return 'A' + static_cast<WPARAM>(static_cast<int>(key) - static_cast<int>(Key::A));
    }
    switch (key) {
    case Key::Tab: return VK_TAB;
    case Key::Backspace: return VK_BACK;
    case Key::Delete: return VK_DELETE;
    case Key::Enter: return VK_RETURN;
    case Key::Escape: return VK_ESCAPE;
    case Key::Up: return VK_UP;
    case Key::Down: return VK_DOWN;
    case Key::Left: return VK_LEFT;
    case Key::Right: return VK_RIGHT;
    case Key::Home: return VK_HOME;
    case Key::End: return VK_END;
    case Key::PageUp: return VK_PRIOR;
    case Key::PageDown: return VK_NEXT;
    default: return 0;
    }
}

// The character that a key types with these modifiers, or 0: control characters always,
// letters only when asked.
wchar_t TypedCharacter(Key key, Modifiers modifiers, bool typeLetters)
{
    if (key == Key::Backspace) {
        return 0x08;
    }
    if (key == Key::Enter) {
        return 0x0D;
    }
    if (key < Key::A || key > Key::Z || HasModifier(modifiers, Modifiers::Alt)) {
        return 0;
    }
    const auto letter = static_cast<wchar_t>(static_cast<int>(key) - static_cast<int>(Key::A));
    if (HasModifier(modifiers, Modifiers::Ctrl)) {
        return static_cast<wchar_t>(letter + 1);
    }
    if (!typeLetters) {
        return 0;
    }
    return static_cast<wchar_t>(letter + (HasModifier(modifiers, Modifiers::Shift) ? L'A' : L'a'));
}

} // namespace

bool MouseDown(HWND hwnd, int x, int y, Modifiers modifiers, bool doubleClick, srctrl::MouseButton button)
{
    POINT pt{};
    const HWND target = TargetAt(hwnd, x, y, pt);
    if (target == nullptr || !::IsWindowEnabled(target)) {
        return false;
    }
    HeldModifiers held(target, modifiers);
    ::SetFocus(target);
    if (button != srctrl::MouseButton::Left) {
        const bool right = button == srctrl::MouseButton::Right;
        SendMessage(target, right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN, (right ? MK_RBUTTON : MK_MBUTTON) | MouseKeys(modifiers),
                    MAKELPARAM(pt.x, pt.y));
        return true;
    }
    g_pressed = target;
    SendMessage(target, doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON | MouseKeys(modifiers),
                MAKELPARAM(pt.x, pt.y));
    return true;
}

bool MouseMove(HWND hwnd, int x, int y, bool leftButtonHeld, Modifiers modifiers)
{
    if (leftButtonHeld && g_pressed != nullptr && ::IsWindow(g_pressed) && IsSelfOrDescendant(hwnd, g_pressed)) {
        const POINT pt = ToDescendant(hwnd, g_pressed, x, y);
        HeldModifiers held(g_pressed, modifiers);
        SendMessage(g_pressed, WM_MOUSEMOVE, MK_LBUTTON | MouseKeys(modifiers), MAKELPARAM(pt.x, pt.y));
        return true;
    }
    POINT pt{};
    const HWND target = TargetAt(hwnd, x, y, pt);
    if (target == nullptr) {
        return false;
    }
    HeldModifiers held(target, modifiers);
    SendMessage(target, WM_MOUSEMOVE, MouseKeys(modifiers), MAKELPARAM(pt.x, pt.y));
    return true;
}

bool MouseUp(HWND hwnd, int x, int y, Modifiers modifiers)
{
    const HWND target = g_pressed;
    g_pressed = nullptr;
    if (target == nullptr || !::IsWindow(target) || !IsSelfOrDescendant(hwnd, target)) {
        return false;
    }
    const POINT pt = ToDescendant(hwnd, target, x, y);
    HeldModifiers held(target, modifiers);
    SendMessage(target, WM_LBUTTONUP, MouseKeys(modifiers), MAKELPARAM(pt.x, pt.y));
    return true;
}

bool Wheel(HWND hwnd, int x, int y, int delta, Modifiers modifiers, bool* scrolled)
{
    POINT pt{};
    const HWND target = TargetAt(hwnd, x, y, pt);
    if (target == nullptr || !::IsWindowEnabled(target) || delta < -0x7FFF || delta > 0x7FFF) {
        return false;
    }
    HeldModifiers held(target, modifiers);
    const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(delta));
    const LRESULT acted = SendMessage(target, WM_MOUSEWHEEL, (static_cast<WPARAM>(word) << 16) | MouseKeys(modifiers),
                                      MAKELPARAM(pt.x, pt.y));
    if (scrolled != nullptr) {
        *scrolled = acted != 0;
    }
    return true;
}

bool KeyDown(HWND hwnd, Key key, Modifiers modifiers, bool typeLetters)
{
    const HWND focus = FocusWithin(hwnd);
    if (focus == nullptr) {
        return false;
    }
    HeldModifiers held(focus, modifiers);
    SendMessage(focus, WM_KEYDOWN, VirtualKey(key), 0);
    const wchar_t typed = TypedCharacter(key, modifiers, typeLetters);
    if (typed != 0 && ::IsWindow(focus)) {
        SendMessage(focus, WM_CHAR, static_cast<WPARAM>(typed), 0);
    }
    return true;
}

bool KeyUp(HWND hwnd, Key key, Modifiers)
{
    const HWND focus = FocusWithin(hwnd);
    if (focus == nullptr) {
        return false;
    }
    SendMessage(focus, WM_KEYUP, VirtualKey(key), 0);
    return true;
}

bool Text(HWND hwnd, const std::wstring& text)
{
    if (FocusWithin(hwnd) == nullptr) {
        return false;
    }
    for (wchar_t c : text) {
        const HWND focus = FocusWithin(hwnd);
        if (focus == nullptr) {
            return false;
        }
        SendMessage(focus, WM_CHAR, static_cast<WPARAM>(c), 0);
    }
    return true;
}

bool Commit(HWND hwnd, const std::wstring& text)
{
    const HWND focus = FocusWithin(hwnd);
    if (focus == nullptr) {
        return false;
    }
    SendMessage(focus, WM_APP_COMMITTEXT, 0, reinterpret_cast<LPARAM>(&text));
    return true;
}

bool Composition(HWND hwnd, const std::wstring& text, int cursor)
{
    const HWND focus = FocusWithin(hwnd);
    if (focus == nullptr) {
        return false;
    }
    ImeComposition composition{text, cursor};
    SendMessage(focus, WM_IME_COMPOSITION, 0, reinterpret_cast<LPARAM>(&composition));
    return true;
}

} // namespace srctrl::platform::input
