// A person's keystroke into the Finding of the A4 default page through Qt: from the QKeyEvent
// that the widget receives to its repainted pixels (the update it asked for, processed by Qt's
// event loop on the offscreen platform); beside it a 1920 x 1080 window resized by a pixel, which
// fits the page again and repaints all of it.
#include "WidgetInput.h"
#include <srctrl/qt/SrReportWidget.h>

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 1130;

struct Page {
    explicit Page(int width = kWidth, int height = kHeight, int fitMode = 0)
    {
        widget.resize(width, height);
        widget.show();
        widget.reportCtrl()->SetFitMode(fitMode);
        widget.reportCtrl()->CreateReportFromImage(SRCTRL_SOURCE_DIR "/tests/data/ct-image.dcm");
        QApplication::processEvents();
        widget_input::Click(widget, QPointF(400, 720));
    }

    void Key(int key, const QString& text) { widget_input::Key(widget, key, text); }

    SrReportWidget widget;
};

void BM_QtKeystrokeToPixels(benchmark::State& state)
{
    Page page;
    for (auto _ : state) {
        page.Key(Qt::Key_A, QStringLiteral("a"));
        page.Key(Qt::Key_Backspace, QString());
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_QtKeystrokeToPixels)->Unit(benchmark::kMicrosecond);

void BM_QtResizeAndRepaint1080p(benchmark::State& state)
{
    Page page(1920, 1080, 1);
    for (auto _ : state) {
        page.widget.resize(1919, 1080);
        page.widget.repaint();
        page.widget.resize(1920, 1080);
        page.widget.repaint();
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_QtResizeAndRepaint1080p)->Unit(benchmark::kMicrosecond);

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
