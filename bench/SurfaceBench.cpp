// What a screen host pays: a keystroke into the Finding of the A4 default page, from the input
// event to the repainted pixels in the host's buffer (only the rectangles the host is told of),
// beside a repaint of the whole window at 1920 x 1080 in the same run.
#include "control/IReportCtrl.h"
#include "embed/ReportSurface.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using srctrl::Rect;
using srctrl::ReportSurface;

class Host : public srctrl::ReportSurfaceClient {
public:
    void RepaintNeeded(const Rect& rect) override { dirty.push_back(rect); }
    void TimerNeeded(int) override {}
    std::vector<Rect> dirty;
};

struct Screen {
    Screen(int width, int height, double ratio, int fitMode)
        : surface(ReportSurface::Create(&host, width, height, ratio)), ctrl(CreateReportCtrl()),
          pixels(static_cast<size_t>(surface->GetPixelWidth()) * static_cast<size_t>(surface->GetPixelHeight()))
    {
        ctrl->Create(surface->GetHWND(), 0, 0, width, height);
        ctrl->SetFitMode(fitMode);
        ctrl->CreateReportFromImage(SRCTRL_SOURCE_DIR "/tests/data/ct-image.dcm");
        PaintAll();
    }
    ~Screen()
    {
        surface.reset();
        ReleaseReportCtrl(ctrl);
    }

    void Paint(const Rect& rect)
    {
        surface->Paint(rect, reinterpret_cast<unsigned char*>(pixels.data()), surface->GetPixelWidth(),
                       surface->GetPixelHeight(), surface->GetPixelWidth() * 4);
    }
    void PaintAll()
    {
        Paint(Rect{0, 0, surface->GetWidth(), surface->GetHeight()});
        host.dirty.clear();
    }
    // Paints what the host was told of, as a toolkit does: the rectangles merged into their
    // bounding box. Returns the logical pixels repainted.
    long PaintDirty()
    {
        if (host.dirty.empty()) {
            return 0;
        }
        int left = host.dirty[0].x;
        int top = host.dirty[0].y;
        int right = left + host.dirty[0].width;
        int bottom = top + host.dirty[0].height;
        for (const Rect& rect : host.dirty) {
            left = std::min(left, rect.x);
            top = std::min(top, rect.y);
            right = std::max(right, rect.x + rect.width);
            bottom = std::max(bottom, rect.y + rect.height);
        }
        host.dirty.clear();
        Paint(Rect{left, top, right - left, bottom - top});
        return static_cast<long>(right - left) * (bottom - top);
    }

    Host host;
    std::unique_ptr<ReportSurface> surface;
    IReportCtrl* ctrl;
    std::vector<std::uint32_t> pixels;
};

void Keystroke(benchmark::State& state, double ratio)
{
    Screen screen(800, 1130, ratio, 0);
    screen.surface->MousePress(400, 720, srctrl::MouseButton::Left);
    screen.surface->MouseRelease(400, 720, srctrl::MouseButton::Left);
    screen.surface->CommitText("Nodule of 8 mm in the left upper lobe. ");
    screen.PaintDirty();
    long area = 0;
    for (auto _ : state) {
        screen.surface->CommitText("a");
        area += screen.PaintDirty();
        screen.surface->KeyDown(srctrl::Key::Backspace);
        area += screen.PaintDirty();
    }
    state.SetItemsProcessed(2 * state.iterations());
    state.counters["repainted_px_per_key"] =
        benchmark::Counter(static_cast<double>(area) / static_cast<double>(2 * state.iterations()));
    state.counters["window_px"] = 800.0 * 1130.0;
}

void BM_KeystrokeToPixels(benchmark::State& state)
{
    Keystroke(state, 1.0);
}
BENCHMARK(BM_KeystrokeToPixels)->Unit(benchmark::kMicrosecond);

void BM_KeystrokeToPixelsAtRatio2(benchmark::State& state)
{
    Keystroke(state, 2.0);
}
BENCHMARK(BM_KeystrokeToPixelsAtRatio2)->Unit(benchmark::kMicrosecond);

// A finding of `bytes` characters, a line break every `wordsPerParagraph` words (4: short
// paragraphs, 400: long ones).
std::wstring Finding(long bytes, long wordsPerParagraph)
{
    static const wchar_t* const words[] = {L"liver", L"normal", L"in", L"size", L"no", L"focal", L"lesion",
                                           L"spleen", L"kidneys", L"unremarkable", L"without", L"ascites"};
    std::wstring text;
    text.reserve(static_cast<size_t>(bytes));
    for (long i = 0; static_cast<long>(text.size()) < bytes; ++i) {
        if (i > 0) {
            text += (i % wordsPerParagraph == 0) ? L'\n' : L' ';
        }
        text += words[i % 12];
    }
    text.resize(static_cast<size_t>(bytes));
    return text;
}

constexpr DWORD kFindingTag = 0x07211001;

// Typing one character at the end of a long finding and deleting it, each through to the
// repainted pixels; arguments: the finding's length and the words in a paragraph.
void BM_KeystrokeAtTheEndOfAFinding(benchmark::State& state)
{
    Screen screen(800, 1130, 1.0, 0);
    screen.ctrl->SetReportValue(kFindingTag, Finding(state.range(0), state.range(1)).c_str());
    screen.surface->MousePress(400, 720, srctrl::MouseButton::Left);
    screen.surface->MouseRelease(400, 720, srctrl::MouseButton::Left);
    screen.surface->KeyDown(srctrl::Key::End, srctrl::Modifiers::Ctrl);
    screen.PaintDirty();
    for (auto _ : state) {
        screen.surface->CommitText("a");
        screen.PaintDirty();
        screen.surface->KeyDown(srctrl::Key::Backspace);
        screen.PaintDirty();
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_KeystrokeAtTheEndOfAFinding)
    ->ArgsProduct({{1 << 10, 1 << 20}, {4, 400}})
    ->ArgNames({"bytes", "words_per_paragraph"})
    ->Unit(benchmark::kMicrosecond);

// The host setting a finding of that length, the page following it.
void BM_SetReportValue(benchmark::State& state)
{
    Screen screen(800, 1130, 1.0, 0);
    const std::wstring texts[2] = {Finding(state.range(0), 4), Finding(state.range(0), 4) + L"."};
    size_t i = 0;
    for (auto _ : state) {
        screen.ctrl->SetReportValue(kFindingTag, texts[i++ % 2].c_str());
        screen.PaintDirty();
    }
}
BENCHMARK(BM_SetReportValue)->Arg(1 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_WholeWindowRepaint1080p(benchmark::State& state)
{
    Screen screen(1920, 1080, 1.0, 1);
    for (auto _ : state) {
        screen.PaintAll();
    }
}
BENCHMARK(BM_WholeWindowRepaint1080p)->Unit(benchmark::kMillisecond);

} // namespace
