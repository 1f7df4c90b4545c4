// What undo and autosave add to a keystroke in a long report, through the Qt widget on the
// offscreen platform: the A4 default page with a finding of 1 MB (short paragraphs, as dictated
// text comes) and two key images. The peer is the keystroke itself: a letter typed and taken back
// with Backspace. Against it, the letter taken back with Ctrl+Z, and the letter typed and taken
// back followed by an autosave (the report's snapshot, taken while the finding's typing is not
// yet in the document, written to the recovery folder, as srreport-gui does at most once a
// second while typing goes on). Read the ratios of the three.
#include "RecoveryStore.h"
#include "WidgetInput.h"
#include <srctrl/qt/SrReportWidget.h>

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr srctrl::DWORD kFinding = 0x07211001;

std::wstring LongFinding()
{
    std::wstring text;
    for (int i = 0; text.size() < 1000000; ++i) {
        text += (i % 8 == 7) ? L"no focal lesion.\n" : L"liver normal in size, ";
    }
    return text;
}

// A 512 x 512 picture of a gradient, as a key image a host hands over.
srctrl::HBITMAP KeyImage(int seed)
{
    std::vector<unsigned char> pixels(512 * 512 * 4);
    for (size_t i = 0; i < 512 * 512; ++i) {
        pixels[i * 4] = static_cast<unsigned char>(i % 512 / 2 + seed);
        pixels[i * 4 + 1] = static_cast<unsigned char>(i / 512 / 2);
        pixels[i * 4 + 2] = static_cast<unsigned char>((i * 7) % 251);
        pixels[i * 4 + 3] = 0xFF;
    }
    return srctrl::CreateBitmap(512, 512, 1, 32, pixels.data());
}

struct Page {
    Page()
    {
        widget.resize(800, 1130);
        widget.show();
        IReportCtrl* ctrl = widget.reportCtrl();
        ctrl->SetFitMode(0);
        report = ctrl->CreateReportFromImage(SRCTRL_SOURCE_DIR "/tests/data/ct-image.dcm");
        ctrl->SetReportValue(kFinding, LongFinding().c_str());
        for (int index = 0; index < 2; ++index) {
            srctrl::HBITMAP image = KeyImage(index * 64);
            report->SetImage(index, image);
            srctrl::DeleteObject(image);
        }
        QApplication::processEvents();
        widget_input::Click(widget, QPointF(400, 720));
        Key(Qt::Key_End, QString(), Qt::ControlModifier);
    }

    void Key(int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        widget_input::Key(widget, key, text, modifiers);
    }

    SrReportWidget widget;
    IKMReport* report = nullptr;
};

Page& TheRecoveryPage()
{
    static Page page;
    return page;
}

void BM_KeystrokeAndBackspace(benchmark::State& state)
{
    Page& page = TheRecoveryPage();
    for (auto _ : state) {
        page.Key(Qt::Key_A, QStringLiteral("a"));
        page.Key(Qt::Key_Backspace, QString());
    }
}
BENCHMARK(BM_KeystrokeAndBackspace)->Unit(benchmark::kMillisecond);

void BM_KeystrokeAndUndo(benchmark::State& state)
{
    Page& page = TheRecoveryPage();
    for (auto _ : state) {
        page.Key(Qt::Key_A, QStringLiteral("a"));
        page.Key(Qt::Key_Z, QString(), Qt::ControlModifier);
    }
}
BENCHMARK(BM_KeystrokeAndUndo)->Unit(benchmark::kMillisecond);

void BM_KeystrokeAndBackspaceThenAutosave(benchmark::State& state)
{
    Page& page = TheRecoveryPage();
    QTemporaryDir folder;
    RecoveryStore store(folder.path());
    QString error;
    if (!store.open(error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    for (auto _ : state) {
        page.Key(Qt::Key_A, QStringLiteral("a"));
        page.Key(Qt::Key_Backspace, QString());
        if (!store.write(*page.report, QStringLiteral("Bench"), QString(), error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        // What the keystroke waits for is the copy; the writing, on the store's thread, is let
        // finish outside the measure, as the pause before the next autosave would.
        state.PauseTiming();
        store.flush();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_KeystrokeAndBackspaceThenAutosave)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
