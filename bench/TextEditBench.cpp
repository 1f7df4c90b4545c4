#include "platform/Host.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/duilib/WindowImplBase.h"

#include <benchmark/benchmark.h>

#include <string>

// The Finding box of the default template (a 160-pixel rich edit across an A4 page) with a
// finding of 1 KB or 1 MB, in short paragraphs (a line break every 4 words) or long ones (every
// 400 words), or of one paragraph (with spaces or as one run without). The figure to read is
// the ratio of the longer findings' runs to the 1 KB runs.

namespace {

constexpr int kKiB = 1024;

// wordsPerParagraph 0: one paragraph; with `spaces` false, its words run on without a space.
std::wstring Finding(int bytes, int wordsPerParagraph, bool spaces = true)
{
    static const wchar_t* const words[] = {L"liver", L"normal", L"in", L"size", L"no", L"focal", L"lesion",
                                           L"spleen", L"kidneys", L"unremarkable", L"without", L"ascites"};
    std::wstring text;
    text.reserve(static_cast<size_t>(bytes));
    for (int i = 0; text.size() < static_cast<size_t>(bytes); ++i) {
        if (i > 0 && (spaces || wordsPerParagraph > 0)) {
            text += (wordsPerParagraph > 0 && i % wordsPerParagraph == 0) ? L'\n' : L' ';
        }
        text += words[i % 12];
    }
    text.resize(static_cast<size_t>(bytes));
    return text;
}

class FindingWindow : public DuiLib::WindowImplBase {
public:
    DuiLib::CEditUI* Finding() { return dynamic_cast<DuiLib::CEditUI*>(m_pm.FindControl(L"finding")); }

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return L"BenchFinding"; }
    DuiLib::CDuiString GetSkinFolder() override { return L""; }
    DuiLib::CDuiString GetSkinFile() override
    {
        return L"<Window><Font id=\"0\" name=\"Sans\" size=\"14\" default=\"true\"/><VerticalLayout "
               L"bkcolor=\"#FFFFFFFF\" inset=\"40,10,40,10\"><RichEdit name=\"finding\" height=\"160\" "
               L"bordersize=\"1\" bordercolor=\"#FFB8C0C8\"/></VerticalLayout></Window>";
    }
};

// A finding of the given size and paragraph style in a focused box with the caret at its end,
// painted into a bitmap of the window's size.
class Bench {
public:
    Bench(int bytes, int wordsPerParagraph) : Bench(Finding(bytes, wordsPerParagraph)) {}
    explicit Bench(const std::wstring& finding)
    {
        m_host = platform::CreateHostWindow(794, 180);
        m_window.Create(m_host, L"finding", WS_CHILD | WS_VISIBLE, 0, 0, 0, 794, 180);
        m_window.Finding()->SetText(finding.c_str());
        const RECT rc = m_window.Finding()->GetPos();
        platform::Click(m_host, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        platform::PressKey(m_host, platform::Key::End, platform::Modifiers::Ctrl);
        m_bitmap = CreateBitmap(794, 180, 1, 32, nullptr);
        m_dc = CreateCompatibleDC(nullptr);
        m_old = SelectObject(m_dc, m_bitmap);
        Paint();
    }
    ~Bench()
    {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
        DestroyWindow(m_host);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    void Paint() { m_window.m_pm.Paint(m_dc); }
    void PressKey(platform::Key key, platform::Modifiers modifiers) { platform::PressKey(m_host, key, modifiers); }
    // The peer: the whole text laid out by one Pango layout and clipped to the box.
    void PaintWholeText(const std::wstring& text)
    {
        DuiLib::CRenderEngine::DrawText(m_dc, &m_window.m_pm, m_window.Finding()->GetPos(), text.c_str(), 0xFF000000, -1,
                                        DuiLib::DT_WORDBREAK);
    }
    void SetText(const std::wstring& text) { m_window.Finding()->SetText(text.c_str()); }
    void Type(wchar_t c) { SendMessage(m_window.GetHWND(), WM_CHAR, static_cast<WPARAM>(c), 0); }
    // Takes the typed character back outside the timing, so that every keystroke lands on the
    // same paragraph.
    void Untype(benchmark::State& state)
    {
        state.PauseTiming();
        Type(L'\b');
        state.ResumeTiming();
    }

private:
    HWND m_host = nullptr;
    FindingWindow m_window;
    HBITMAP m_bitmap = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

void Arguments(benchmark::internal::Benchmark* bench)
{
    for (int bytes : {kKiB, kKiB * kKiB}) {
        for (int words : {4, 400}) {
            bench->Args({bytes, words});
        }
    }
    bench->ArgNames({"bytes", "words_per_paragraph"})->Unit(benchmark::kMicrosecond);
}

} // namespace

static void BM_RepaintFinding(benchmark::State& state)
{
    Bench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        bench.Paint();
    }
}
BENCHMARK(BM_RepaintFinding)->Apply(Arguments);

// The peer of the repaint: the whole finding in one layout, as a paint of the box did before
// paragraphs were laid out on their own (1 MB takes seconds, so the peer stops at 64 KB).
static void BM_RepaintWholeTextPeer(benchmark::State& state)
{
    Bench bench(kKiB, 4);
    const std::wstring text = Finding(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        bench.PaintWholeText(text);
    }
}
BENCHMARK(BM_RepaintWholeTextPeer)
    ->Args({kKiB, 4})
    ->Args({64 * kKiB, 4})
    ->ArgNames({"bytes", "words_per_paragraph"})
    ->Unit(benchmark::kMicrosecond);

// A keystroke at the end of the finding, up to the text stored in the control.
static void BM_TypeAtEndOfFinding(benchmark::State& state)
{
    Bench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        bench.Type(L'x');
        bench.Untype(state);
    }
}
BENCHMARK(BM_TypeAtEndOfFinding)->Apply(Arguments);

// A keystroke at the start of the finding, which moves everything after it.
static void BM_TypeAtStartOfFinding(benchmark::State& state)
{
    Bench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    bench.PressKey(platform::Key::Home, platform::Modifiers::Ctrl);
    for (auto _ : state) {
        bench.Type(L'x');
        bench.Untype(state);
    }
}
BENCHMARK(BM_TypeAtStartOfFinding)->Apply(Arguments);

// A keystroke and the repaint that shows it.
static void BM_TypeAtEndOfFindingAndRepaint(benchmark::State& state)
{
    Bench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        bench.Type(L'x');
        bench.Paint();
        bench.Untype(state);
    }
}
BENCHMARK(BM_TypeAtEndOfFindingAndRepaint)->Apply(Arguments);

// A keystroke at the end of a finding of one paragraph and the repaint that shows it, the
// paragraph unbroken (1 KB, 64 KB, 1 MB) or of words (1 MB): each is to cost what the 1 KB one
// does, since only the piece of the paragraph that the key changes is shaped again.
static void BM_TypeAtEndOfOneParagraph(benchmark::State& state)
{
    Bench bench(Finding(static_cast<int>(state.range(0)), 0, state.range(1) != 0));
    for (auto _ : state) {
        bench.Type(L'x');
        bench.Paint();
        bench.Untype(state);
    }
}
BENCHMARK(BM_TypeAtEndOfOneParagraph)
    ->Args({kKiB, 0})
    ->Args({64 * kKiB, 0})
    ->Args({kKiB * kKiB, 0})
    ->Args({kKiB * kKiB, 1})
    ->ArgNames({"bytes", "spaces"})
    ->Unit(benchmark::kMicrosecond);

// One phase of the caret's blink: the timer fires and the box is painted again.
static void BM_CaretBlinkRepaint(benchmark::State& state)
{
    Bench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        platform::AdvanceTime(500);
        bench.Paint();
    }
}
BENCHMARK(BM_CaretBlinkRepaint)->Apply(Arguments);

// The host sets a finding, as SetReportValue does, and the box shows it.
static void BM_SetFindingAndRepaint(benchmark::State& state)
{
    Bench bench(kKiB, 4);
    const std::wstring text = Finding(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        bench.SetText(text);
        bench.Paint();
    }
}
BENCHMARK(BM_SetFindingAndRepaint)->Apply(Arguments);
