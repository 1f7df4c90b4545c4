// Printing a report to the PDF file printer: a report whose finding flows over three pages
// against the one-page report of the same template, both measured in this run; the per-page
// cost is the figure to compare (seconds per page, shown inverted as a rate).
#include "control/KMMainWindow.h"
#include "platform/Host.h"
#include "platform/win32/WinGdi.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <string>

namespace {

constexpr DWORD kFinding = 0x07211001;

std::wstring Finding(int lines)
{
    std::wstring text;
    for (int i = 1; i <= lines; ++i) {
        text += L"Finding line " + std::to_wstring(i) + L": a few words of a radiologist's finding.\n";
    }
    return text;
}

int PageCount(const std::string& pdf)
{
    FILE* pipe = popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
    std::string info;
    char buffer[256];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        info += buffer;
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    std::smatch match;
    return std::regex_search(info, match, std::regex("Pages: +(\\d+)")) ? std::stoi(match[1]) : 0;
}

void BM_PrintToPdf(benchmark::State& state)
{
    HWND host = platform::CreateHostWindow(800, 600);
    auto main = std::make_unique<KMMainWindow>();
    main->Create(host, 0, 0, 800, 600);
    const std::string image = std::string(SRCTRL_SOURCE_DIR) + "/tests/data/ct-image.dcm";
    if (main->CreateReportFromImage(image.c_str()) == nullptr) {
        state.SkipWithError("no report");
        return;
    }
    main->SetReportValue(kFinding, Finding(static_cast<int>(state.range(0))).c_str());
    const std::string pdf = "/tmp/srctrl-print-bench-" + std::to_string(state.range(0)) + ".pdf";
    platform::RegisterPdfPrinter("Bench PDF", pdf.c_str());
    for (auto _ : state) {
        if (!main->Print("Bench PDF")) {
            state.SkipWithError("print failed");
            break;
        }
    }
    const int pages = PageCount(pdf);
    state.counters["pages"] = pages;
    state.counters["s_per_page"] =
        benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    std::remove(pdf.c_str());
    main.reset();
    DestroyWindow(host);
}

} // namespace

// 0 lines: the one-page peer; 100 lines flow over three pages.
BENCHMARK(BM_PrintToPdf)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
