#include "embed/ReportSurface.h"

#include "platform/InputDispatch.h"
#include "platform/duilib/TEditingRequest.h"
#include "platform/editing/KMSnippetFile.h"
#include "platform/kmbase/KMBoundary.h"
#include "platform/kmbase/KMHostCall.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/DeviceContext.h"
#include "platform/win32/WinUser.h"
#include "platform/win32/WindowBackend.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <new>

namespace srctrl {

namespace {

constexpr double kMinRatio = 0.25;
constexpr double kMaxRatio = 8.0;

bool IsValidSize(int width, int height, double ratio)
{
    return width >= 0 && height >= 0 && width <= kMaxWindowExtent && height <= kMaxWindowExtent && ratio >= kMinRatio &&
           ratio <= kMaxRatio;
}

int DevicePixels(int logical, double ratio)
{
    return static_cast<int>(std::ceil(logical * ratio - 1e-9));
}

Rect ToRect(const RECT& rc)
{
    return Rect{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

Cursor ToCursor(platform::CursorShape shape)
{
    switch (shape) {
    case platform::CursorShape::IBeam: return Cursor::IBeam;
    case platform::CursorShape::Hand: return Cursor::PointingHand;
    default: return Cursor::Arrow;
    }
}

bool ToWide(const char* utf8, std::wstring& wide)
{
    if (utf8 == nullptr || !g_utf8_validate(utf8, -1, nullptr)) {
        return false;
    }
    wide = KMString::ToWide(utf8);
    return true;
}

} // namespace

// The surface's window and its backend: what the window tree asks of a screen goes to the
// host's client, and the host's input goes down the windows' one input path.
class ReportSurface::Impl : public platform::IWindowBackend, public IWindowProc {
public:
    Impl(ReportSurfaceClient* client, int width, int height, double ratio)
        : m_pClient(client), m_nWidth(width), m_nHeight(height), m_dRatio(ratio),
          m_start(std::chrono::steady_clock::now())
    {
    }

    bool Open()
    {
        m_hWnd = platform::CreateWindowObject(0, L"ReportSurface", WS_VISIBLE, 0, 0, m_nWidth, m_nHeight, nullptr, this);
        return m_hWnd != nullptr && platform::SetWindowBackend(m_hWnd, this);
    }

    void Close()
    {
        // The host hears nothing more: it may be tearing itself down.
        m_bClosing = true;
        ::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }

    // IWindowProc: the surface's own window only shows the white under the control.
    LRESULT WindowProc(HWND, UINT, WPARAM, LPARAM) override { return 0; }

    void Invalidate(HWND, const RECT& rc) override
    {
        if (!m_bClosing) {
            KMHostCall::Tell([&] { m_pClient->RepaintNeeded(ToRect(rc)); });
        }
    }

    std::uint64_t Now() override
    {
        const auto elapsed = std::chrono::steady_clock::now() - m_start;
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

    void TimersChanged(HWND, long long delay) override
    {
        if (!m_bClosing) {
            const int ms = delay < 0 ? -1 : static_cast<int>(std::min<long long>(delay, INT_MAX));
            KMHostCall::Tell([&] { m_pClient->TimerNeeded(ms); });
        }
    }

    void CursorChanged(HWND, platform::CursorShape shape) override
    {
        const Cursor cursor = ToCursor(shape);
        if (cursor != m_cursor && !m_bClosing) {
            m_cursor = cursor;
            KMHostCall::Tell([&] { m_pClient->CursorChanged(cursor); });
        }
    }

    void CaretChanged(HWND, const RECT& caret) override
    {
        const Rect rect = ToRect(caret);
        if (m_bClosing || (rect.x == m_caret.x && rect.y == m_caret.y && rect.width == m_caret.width &&
                           rect.height == m_caret.height)) {
            return;
        }
        m_caret = rect;
        KMHostCall::Tell([&] { m_pClient->CaretChanged(rect); });
    }

    bool GetClipboardText(std::wstring& text, bool selection) override
    {
        std::string utf8;
        const bool got = KMHostCall::Ask(false, [&] {
            return selection ? m_pClient->GetSelectionText(utf8) : m_pClient->GetClipboardText(utf8);
        });
        return got && ToWide(utf8.c_str(), text);
    }

    bool SetClipboardText(const std::wstring& text, bool selection) override
    {
        const std::string utf8 = KMString::ToUtf8(text);
        return KMHostCall::Ask(false, [&] {
            return selection ? m_pClient->SetSelectionText(utf8) : m_pClient->SetClipboardText(utf8);
        });
    }

    // The window whose text field edit commands go to: the one with the focus, or the one that
    // had it when the surface lost the focus.
    HWND TextTarget() const
    {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && platform::GetTopLevel(focus) == m_hWnd) {
            return focus;
        }
        return m_hLastFocus != nullptr && ::IsWindow(m_hLastFocus) && ::IsWindowVisible(m_hLastFocus) &&
                       platform::GetTopLevel(m_hLastFocus) == m_hWnd
                   ? m_hLastFocus
                   : nullptr;
    }

    // Find or replace in the target's text field.
    int Search(platform::TextSearchRequest::Action action, const char* what, const char* with, bool matchCase,
               bool wholeWord)
    {
        platform::TextSearchRequest request;
        request.action = action;
        request.matchCase = matchCase;
        request.wholeWord = wholeWord;
        const HWND target = TextTarget();
        if (target == nullptr || !ToWide(what, request.what) || (with != nullptr && !ToWide(with, request.with)) ||
            ::SendMessage(target, WM_APP_FINDTEXT, 0, reinterpret_cast<LPARAM>(&request)) == 0) {
            return 0;
        }
        return std::max(1, request.count);
    }

    // Sends a spelling or snippet request to the target's text field; false without one or when
    // it did not do what was asked.
    template <class Request>
    bool AskField(UINT message, Request& request) const
    {
        const HWND target = TextTarget();
        return target != nullptr && ::SendMessage(target, message, 0, reinterpret_cast<LPARAM>(&request)) != 0;
    }
    bool Spelling(DuiLib::SpellingRequest::Action action, const char* with = nullptr)
    {
        DuiLib::SpellingRequest request;
        request.action = action;
        if (with != nullptr && !ToWide(with, request.with)) {
            return false;
        }
        const bool done = AskField(WM_APP_SPELLING, request);
        if (!done && !request.reason.empty()) {
            KMLastError::Set(request.reason);
        }
        return done;
    }

    bool Paint(const Rect& rect, unsigned char* pixels, int pixelWidth, int pixelHeight, int stride);

    ReportSurfaceClient* m_pClient;
    HWND m_hWnd = nullptr;
    int m_nWidth;
    int m_nHeight;
    double m_dRatio;
    bool m_bFocus = false;
    bool m_bClosing = false;
    // An input method's pre-edit is showing: its commit is one piece.
    bool m_bPreedit = false;
    // The window inside that had the keyboard focus when the surface lost it.
    HWND m_hLastFocus = nullptr;
    Cursor m_cursor = Cursor::Arrow;
    Rect m_caret;
    std::chrono::steady_clock::time_point m_start;
};

bool ReportSurface::Impl::Paint(const Rect& rect, unsigned char* pixels, int pixelWidth, int pixelHeight, int stride)
{
    if (pixels == nullptr || pixelWidth < DevicePixels(m_nWidth, m_dRatio) ||
        pixelHeight < DevicePixels(m_nHeight, m_dRatio) || stride % 4 != 0 || stride / 4 < pixelWidth) {
        return false;
    }
    const int left = std::max(rect.x, 0);
    const int top = std::max(rect.y, 0);
    const int right = static_cast<int>(std::min<long long>(static_cast<long long>(rect.x) + rect.width, m_nWidth));
    const int bottom = static_cast<int>(std::min<long long>(static_cast<long long>(rect.y) + rect.height, m_nHeight));
    if (right <= left || bottom <= top) {
        return true;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight, stride);
    HDC hdc = platform::CreateSurfaceDC(surface);
    cairo_surface_destroy(surface);
    if (hdc == nullptr) {
        return false;
    }
    cairo_t* cr = platform::GetCairo(hdc);
    // The clip falls on whole device pixels, so that neighbouring rectangles meet without a seam
    // at a fractional ratio.
    const double x0 = std::floor(left * m_dRatio);
    const double y0 = std::floor(top * m_dRatio);
    cairo_rectangle(cr, x0, y0, std::ceil(right * m_dRatio) - x0, std::ceil(bottom * m_dRatio) - y0);
    cairo_clip(cr);
    cairo_scale(cr, m_dRatio, m_dRatio);
    platform::PaintWindowTree(m_hWnd, hdc);
    DeleteDC(hdc);
    return true;
}

ReportSurface::ReportSurface(std::unique_ptr<Impl> impl) : m_pImpl(std::move(impl)) {}

ReportSurface::~ReportSurface()
{
    m_pImpl->Close();
}

std::unique_ptr<ReportSurface> ReportSurface::Create(ReportSurfaceClient* client, int width, int height,
                                                     double devicePixelRatio)
try {
    if (client == nullptr || !IsValidSize(width, height, devicePixelRatio)) {
        return nullptr;
    }
    auto impl = std::unique_ptr<Impl>(new (std::nothrow) Impl(client, width, height, devicePixelRatio));
    if (impl == nullptr || !impl->Open()) {
        if (impl != nullptr) {
            impl->Close();
        }
        return nullptr;
    }
    return std::unique_ptr<ReportSurface>(new ReportSurface(std::move(impl)));
} catch (...) {
    return KMBoundary::Failed<std::unique_ptr<ReportSurface>>(nullptr);
}

HWND ReportSurface::GetHWND() const { return m_pImpl->m_hWnd; }
int ReportSurface::GetWidth() const { return m_pImpl->m_nWidth; }
int ReportSurface::GetHeight() const { return m_pImpl->m_nHeight; }
double ReportSurface::GetDevicePixelRatio() const { return m_pImpl->m_dRatio; }
int ReportSurface::GetPixelWidth() const { return DevicePixels(m_pImpl->m_nWidth, m_pImpl->m_dRatio); }
int ReportSurface::GetPixelHeight() const { return DevicePixels(m_pImpl->m_nHeight, m_pImpl->m_dRatio); }

bool ReportSurface::Resize(int width, int height, double devicePixelRatio)
try {
    if (!IsValidSize(width, height, devicePixelRatio)) {
        return false;
    }
    const bool ratioChanged = devicePixelRatio != m_pImpl->m_dRatio;
    m_pImpl->m_nWidth = width;
    m_pImpl->m_nHeight = height;
    m_pImpl->m_dRatio = devicePixelRatio;
    ::MoveWindow(m_pImpl->m_hWnd, 0, 0, width, height, TRUE);
    if (ratioChanged) {
        ::InvalidateRect(m_pImpl->m_hWnd, nullptr, FALSE);
    }
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::Paint(const Rect& rect, unsigned char* pixels, int pixelWidth, int pixelHeight, int stride)
try {
    return m_pImpl->Paint(rect, pixels, pixelWidth, pixelHeight, stride);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::MouseMove(int x, int y, bool leftButtonHeld, Modifiers modifiers)
try {
    return platform::input::MouseMove(m_pImpl->m_hWnd, x, y, leftButtonHeld, modifiers);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::MousePress(int x, int y, MouseButton button, Modifiers modifiers)
try {
    // A click brings the focus with it, in every toolkit.
    m_pImpl->m_bFocus = true;
    return platform::input::MouseDown(m_pImpl->m_hWnd, x, y, modifiers, false, button);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::MouseRelease(int x, int y, MouseButton button, Modifiers modifiers)
try {
    return button == MouseButton::Left && platform::input::MouseUp(m_pImpl->m_hWnd, x, y, modifiers);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::MouseDoubleClick(int x, int y, MouseButton button, Modifiers modifiers)
try {
    if (button != MouseButton::Left) {
        return false;
    }
    m_pImpl->m_bFocus = true;
    return platform::input::MouseDown(m_pImpl->m_hWnd, x, y, modifiers, true);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::Wheel(int x, int y, int angleDelta, Modifiers modifiers)
try {
    bool scrolled = false;
    return platform::input::Wheel(m_pImpl->m_hWnd, x, y, angleDelta, modifiers, &scrolled) && scrolled;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::KeyDown(Key key, Modifiers modifiers)
try {
    return m_pImpl->m_bFocus && platform::input::KeyDown(m_pImpl->m_hWnd, key, modifiers, false);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::KeyUp(Key key, Modifiers modifiers)
try {
    return m_pImpl->m_bFocus && platform::input::KeyUp(m_pImpl->m_hWnd, key, modifiers);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::CommitText(const char* text)
try {
    std::wstring wide;
    if (!m_pImpl->m_bFocus || !ToWide(text, wide)) {
        return false;
    }
    const bool committed = m_pImpl->m_bPreedit || g_utf8_strlen(text, -1) > 1;
    m_pImpl->m_bPreedit = false;
    platform::input::Composition(m_pImpl->m_hWnd, L"", 0);
    return committed ? platform::input::Commit(m_pImpl->m_hWnd, wide) : platform::input::Text(m_pImpl->m_hWnd, wide);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::SetPreeditText(const char* text, int cursor)
try {
    std::wstring wide;
    if (!m_pImpl->m_bFocus || !ToWide(text, wide)) {
        return false;
    }
    m_pImpl->m_bPreedit = !wide.empty();
    return platform::input::Composition(m_pImpl->m_hWnd, wide, std::clamp(cursor, 0, static_cast<int>(wide.size())));
} catch (...) {
    return KMBoundary::Failed(false);
}

void ReportSurface::GainFocus()
try {
    m_pImpl->m_bFocus = true;
    const HWND last = m_pImpl->m_hLastFocus;
    m_pImpl->m_hLastFocus = nullptr;
    // Only to a window that is still shown: the report it belongs to may have been replaced on
    // the screen meanwhile, and keys must never go to a page the person cannot see.
    if (last != nullptr && ::IsWindow(last) && ::IsWindowVisible(last) && platform::GetTopLevel(last) == m_pImpl->m_hWnd) {
        ::SetFocus(last);
    }
} catch (...) {
    KMBoundary::Failed();
}

void ReportSurface::LoseFocus()
try {
    m_pImpl->m_bFocus = false;
    const HWND focus = ::GetFocus();
    if (focus != nullptr && platform::GetTopLevel(focus) == m_pImpl->m_hWnd) {
        m_pImpl->m_hLastFocus = focus;
        ::SetFocus(nullptr);
    }
} catch (...) {
    KMBoundary::Failed();
}

bool ReportSurface::HasFocus() const { return m_pImpl->m_bFocus; }

bool ReportSurface::CanEdit(EditCommand command) const
try {
    const HWND target = m_pImpl->TextTarget();
    return target != nullptr && ::SendMessage(target, WM_APP_EDITCOMMAND, static_cast<WPARAM>(command), 1) != 0;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::Edit(EditCommand command)
try {
    const HWND target = m_pImpl->TextTarget();
    return target != nullptr && ::SendMessage(target, WM_APP_EDITCOMMAND, static_cast<WPARAM>(command), 0) != 0;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::Find(const char* what, bool matchCase, bool wholeWord)
try {
    return m_pImpl->Search(platform::TextSearchRequest::Action::Find, what, nullptr, matchCase, wholeWord) > 0;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::Replace(const char* what, const char* with, bool matchCase, bool wholeWord)
try {
    return with != nullptr &&
           m_pImpl->Search(platform::TextSearchRequest::Action::Replace, what, with, matchCase, wholeWord) > 0;
} catch (...) {
    return KMBoundary::Failed(false);
}

int ReportSurface::ReplaceAll(const char* what, const char* with, bool matchCase, bool wholeWord)
try {
    return with != nullptr ? m_pImpl->Search(platform::TextSearchRequest::Action::ReplaceAll, what, with, matchCase, wholeWord)
                           : 0;
} catch (...) {
    return KMBoundary::Failed(0);
}

bool ReportSurface::GetMisspelledWord(std::string& word, std::vector<std::string>& suggestions) const
try {
    DuiLib::SpellingRequest request;
    if (!m_pImpl->AskField(WM_APP_SPELLING, request)) {
        return false;
    }
    word = KMString::ToUtf8(request.word);
    suggestions.clear();
    for (const std::wstring& suggestion : request.suggestions) {
        suggestions.push_back(KMString::ToUtf8(suggestion));
    }
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::CorrectMisspelledWord(const char* with)
try {
    return with != nullptr && *with != '\0' && m_pImpl->Spelling(DuiLib::SpellingRequest::Action::Correct, with);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::AddMisspelledWordToDictionary()
try {
    KMLastError::Clear();
    return m_pImpl->Spelling(DuiLib::SpellingRequest::Action::AddToDictionary);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool ReportSurface::IgnoreMisspelledWord()
try {
    return m_pImpl->Spelling(DuiLib::SpellingRequest::Action::Ignore);
} catch (...) {
    return KMBoundary::Failed(false);
}

std::vector<ReportSurface::Snippet> ReportSurface::GetSnippets(std::string* problem) const
try {
    std::vector<Snippet> snippets;
    DuiLib::SnippetRequest request;
    if (m_pImpl->AskField(WM_APP_SNIPPET, request)) {
        for (const DuiLib::TSnippet& snippet : request.snippets) {
            snippets.push_back(Snippet{KMString::ToUtf8(snippet.sName), KMString::ToUtf8(snippet.sTrigger),
                                       KMString::ToUtf8(snippet.sText)});
        }
    }
    if (problem != nullptr) {
        *problem = KMSnippetFile::Get().GetError();
    }
    return snippets;
} catch (...) {
    return KMBoundary::Failed<std::vector<ReportSurface::Snippet>>({});
}

bool ReportSurface::InsertSnippet(const char* name)
try {
    DuiLib::SnippetRequest request;
    request.action = DuiLib::SnippetRequest::Action::Insert;
    return ToWide(name, request.name) && m_pImpl->AskField(WM_APP_SNIPPET, request);
} catch (...) {
    return KMBoundary::Failed(false);
}

void ReportSurface::RunTimers()
try {
    platform::RunDueTimers(m_pImpl.get());
} catch (...) {
    KMBoundary::Failed();
}

Cursor ReportSurface::GetCursor() const { return m_pImpl->m_cursor; }
Rect ReportSurface::GetCaretRect() const { return m_pImpl->m_caret; }

} // namespace srctrl
