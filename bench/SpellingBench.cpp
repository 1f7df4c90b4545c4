#include "platform/Host.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/WindowImplBase.h"
#include "platform/editing/Spelling.h"

#include <benchmark/benchmark.h>

#include <string>

// A keystroke and the repaint that shows it in a 64 KB finding, with spell checking on and, as
// its peer in the same run, off: the figure to read is the ratio of the two. The finding is
// report prose in paragraphs of 40 words with a misspelt word in every paragraph, in the Finding
// box of the default template (a 160-pixel rich edit across an A4 page). The keystroke is a space
// after the last word, so that the word before it is checked as the caret leaves it.

namespace {

constexpr int kFindingBytes = 64 * 1024;

std::wstring Finding()
{
    static const wchar_t* const words[] = {L"the", L"lungs", L"are", L"clear", L"without", L"focal",
                                           L"consolidation", L"small", L"subsegmental", L"atelectasis", L"in",
                                           L"pneumothroax", L"left", L"lower", L"lobe", L"unchanged"};
    std::wstring text;
    for (int i = 0; text.size() < static_cast<size_t>(kFindingBytes); ++i) {
        if (i > 0) {
            text += (i % 40 == 0) ? L'\n' : L' ';
        }
        text += words[i % 16];
    }
    text.resize(static_cast<size_t>(kFindingBytes));
    return text;
}

class FindingWindow : public DuiLib::WindowImplBase {
public:
    DuiLib::CEditUI* Finding() { return dynamic_cast<DuiLib::CEditUI*>(m_pm.FindControl(L"finding")); }

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return L"BenchSpelling"; }
    DuiLib::CDuiString GetSkinFolder() override { return L""; }
    DuiLib::CDuiString GetSkinFile() override
    {
        return L"<Window><Font id=\"0\" name=\"Sans\" size=\"14\" default=\"true\"/><Spelling language=\"en_US\"/>"
               L"<VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"40,10,40,10\"><RichEdit name=\"finding\" "
               L"height=\"160\" bordersize=\"1\" bordercolor=\"#FFB8C0C8\"/></VerticalLayout></Window>";
    }
};

} // namespace

// Arguments: spell checking (1 on, 0 off), and where the keystroke lands (0 the finding's end,
// 1 its start, which moves every mark after it).
static void BM_KeystrokeInLongFinding(benchmark::State& state)
{
    srctrl::SetSpellChecking(state.range(0) != 0);
    const HWND host = platform::CreateHostWindow(794, 180);
    FindingWindow window;
    window.Create(host, L"finding", WS_CHILD | WS_VISIBLE, 0, 0, 0, 794, 180);
    window.Finding()->SetText(Finding().c_str());
    const RECT rc = window.Finding()->GetPos();
    platform::Click(host, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    platform::PressKey(host, platform::Key::End, platform::Modifiers::Ctrl);
    if (state.range(1) != 0) {
        platform::PressKey(host, platform::Key::Home, platform::Modifiers::Ctrl);
        platform::PressKey(host, platform::Key::Right, platform::Modifiers::Ctrl);
    }
    HBITMAP bitmap = CreateBitmap(794, 180, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    window.m_pm.Paint(dc);
    for (auto _ : state) {
        SendMessage(window.GetHWND(), WM_CHAR, L' ', 0);
        window.m_pm.Paint(dc);
        state.PauseTiming();
        SendMessage(window.GetHWND(), WM_CHAR, L'\b', 0);
        window.m_pm.Paint(dc);
        state.ResumeTiming();
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    DestroyWindow(host);
    srctrl::SetSpellChecking(true);
}
BENCHMARK(BM_KeystrokeInLongFinding)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->ArgNames({"spelling", "at_start"})
    ->Unit(benchmark::kMicrosecond);
