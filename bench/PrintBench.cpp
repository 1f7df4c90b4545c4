// Printing a report to the PDF file printer: reports whose finding flows over a few pages and
// over a dozen against the one-page report of the same template, all measured in this run; the
// per-page cost is the figure to compare (seconds per page, shown inverted as a rate), the long
// report's once a layout that takes fewer sheets for the same text spreads its fixed cost over
// fewer pages. And a report whose
// template has thirty picture boxes, filled with 512 x 512 key images, against the same report
// without them: time, and the PDF's size against the pictures' JPEG bytes.
#include "control/KMMainWindow.h"
#include "platform/Host.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "platform/win32/GdiPlus.h"
#include "platform/win32/WinGdi.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <memory>
#include <vector>
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

long FileSize(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return 0;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

// A 512 x 512 picture with detail, so that its JPEG is of a realistic size.
HBITMAP Picture(int seed)
{
    std::vector<BYTE> pixels(512 * 512 * 4);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            BYTE* p = &pixels[(static_cast<size_t>(y) * 512 + x) * 4];
            p[0] = static_cast<BYTE>((x * y + seed) % 256);
            p[1] = static_cast<BYTE>((x + 3 * y + seed) % 256);
            p[2] = static_cast<BYTE>((x ^ y) + seed);
            p[3] = 0xFF;
        }
    }
    return CreateBitmap(512, 512, 1, 32, pixels.data());
}

constexpr int kPictures = 30;

// The default template with its key-image area made one grid of thirty boxes, written to /tmp.
std::string ThirtyPictureTemplate()
{
    std::ifstream in(std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml");
    std::stringstream text;
    text << in.rdbuf();
    // Five rows of six boxes (a tile layout would be the page's attribute list).
    std::string grid = "<TabLayout name=\"RT_IMAGE\" height=\"620\" selectedid=\"0\"><VerticalLayout name=\"Thirty images\">";
    for (int row = 0; row < kPictures / 6; ++row) {
        grid += "<HorizontalLayout>";
        for (int column = 0; column < 6; ++column) {
            grid += "<Picture bkcolor=\"#FFF4F6F8\" bordersize=\"1\" bordercolor=\"#FFB8C0C8\"/>";
        }
        grid += "</HorizontalLayout>";
    }
    grid += "</VerticalLayout></TabLayout>";
    const std::string xml = std::regex_replace(text.str(), std::regex("<TabLayout name=\"RT_IMAGE\"[\\s\\S]*?</TabLayout>"), grid);
    const std::string path = "/tmp/srctrl-thirty-pictures.xml";
    std::ofstream(path) << xml;
    return xml.find("Thirty images") != std::string::npos ? path : std::string();
}

void BM_PrintWithPictures(benchmark::State& state)
{
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    GdiplusStartup(&token, &input, nullptr);
    HWND host = platform::CreateHostWindow(800, 600);
    auto main = std::make_unique<KMMainWindow>();
    main->Create(host, 0, 0, 800, 600);
    const std::string layout = ThirtyPictureTemplate();
    const std::string image = std::string(SRCTRL_SOURCE_DIR) + "/tests/data/ct-image.dcm";
    IKMReport* report = layout.empty() || !main->SetTemplateFile(layout.c_str()) ? nullptr
                                                                                : main->CreateReportFromImage(image.c_str());
    if (report == nullptr || report->GetImageBoxCount() != kPictures) {
        state.SkipWithError("no report with thirty picture boxes");
        return;
    }
    for (int i = 0; i < state.range(0); ++i) {
        HBITMAP picture = Picture(i * 37);
        report->SetImage(i, picture);
        DeleteObject(picture);
    }
    const std::string pdf = "/tmp/srctrl-picture-bench-" + std::to_string(state.range(0)) + ".pdf";
    platform::RegisterPdfPrinter("Picture PDF", pdf.c_str());
    for (auto _ : state) {
        if (!main->Print("Picture PDF")) {
            state.SkipWithError("print failed");
            break;
        }
    }
    double jpegBytes = 0;
    KMDcmDataset item;
    for (int i = 0; report->GetDcmSR()->GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, i); ++i) {
        const BYTE* bytes = nullptr;
        unsigned long length = 0;
        if (item.GetUint8Array(KMDcmTag::EncapsulatedDocument, bytes, length)) {
            jpegBytes += static_cast<double>(length);
        }
    }
    state.counters["pdf_bytes"] = static_cast<double>(FileSize(pdf));
    state.counters["jpeg_bytes"] = jpegBytes;
    std::remove(pdf.c_str());
    main.reset();
    DestroyWindow(host);
    GdiplusShutdown(token);
}

} // namespace

// 0 lines: the one-page peer; 100 lines flow over three pages.
BENCHMARK(BM_PrintToPdf)->Arg(0)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
// No pictures: the peer; thirty 512 x 512 key images.
BENCHMARK(BM_PrintWithPictures)->Arg(0)->Arg(kPictures)->Unit(benchmark::kMillisecond)->UseRealTime();
