#include "platform/Host.h"
#include "platform/duilib/CDialogBuilder.h"
#include "platform/duilib/WindowImplBase.h"
#include "printing/CUtil.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <string>
#include <vector>

namespace {

// An A4 report page (794 x 1123 design pixels) of 60 controls: 28 label and edit rows, a title,
// a picture and two rich edits.
std::string A4Page()
{
    std::string xml = "<Window><VerticalLayout width=\"794\" height=\"1123\" bkcolor=\"#FFFFFFFF\" inset=\"40,40,40,40\" "
                      "childpadding=\"4\"><Label text=\"Radiology Report\" height=\"40\" align=\"center\"/>";
    for (int i = 0; i < 28; ++i) {
        xml += "<HorizontalLayout height=\"24\"><Label text=\"Attribute " + std::to_string(i) +
               "\" width=\"200\"/><Edit text=\"value " + std::to_string(i) + "\" userdata=\"0010,0010\"/></HorizontalLayout>";
    }
    xml += "<Picture height=\"200\"/><RichEdit text=\"Finding text\"/><RichEdit text=\"Conclusion\"/>";
    return xml + "</VerticalLayout></Window>";
}

class PageWindow : public DuiLib::WindowImplBase {
protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return L"BenchPage"; }
    DuiLib::CDuiString GetSkinFolder() override { return L""; }
    DuiLib::CDuiString GetSkinFile() override { return L"<Window><Container/></Window>"; }
};

std::vector<BYTE> Gradient(int width, int height)
{
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<BYTE>(x);
            p[1] = static_cast<BYTE>(y);
            p[2] = static_cast<BYTE>(x ^ y);
            p[3] = 0xFF;
        }
    }
    return pixels;
}

} // namespace

static void BM_BuildLayOutAndPaintA4Page(benchmark::State& state)
{
    const std::string xml = A4Page();
    HWND host = platform::CreateHostWindow(794, 1123);
    PageWindow window;
    window.Create(host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 794, 1123);
    HBITMAP bitmap = CreateBitmap(794, 1123, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (auto _ : state) {
        DuiLib::CDialogBuilder builder;
        window.m_pm.AttachDialog(builder.CreateFromXml(xml.data(), xml.size(), nullptr, &window.m_pm));
        window.m_pm.Paint(dc);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    DestroyWindow(host);
}
BENCHMARK(BM_BuildLayOutAndPaintA4Page)->Unit(benchmark::kMillisecond);

static void BM_PrintA4PageToPdfAt300Dpi(benchmark::State& state)
{
    const std::string xml = A4Page();
    platform::RegisterPdfPrinter("Bench PDF", "/tmp/srctrl-bench.pdf");
    HWND host = platform::CreateHostWindow(794, 1123);
    PageWindow window;
    window.Create(host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 794, 1123);
    DuiLib::CDialogBuilder builder;
    window.m_pm.AttachDialog(builder.CreateFromXml(xml.data(), xml.size(), nullptr, &window.m_pm));
    for (auto _ : state) {
        HDC dc = CreateDCA(nullptr, "Bench PDF", nullptr, nullptr);
        DOCINFOW info{sizeof(DOCINFOW), L"bench", nullptr, nullptr, 0};
        StartDocW(dc, &info);
        StartPage(dc);
        window.m_pm.SetZoomRatio(GetDeviceCaps(dc, PHYSICALWIDTH) / 794.0f);
        window.ResizeClient(GetDeviceCaps(dc, PHYSICALWIDTH), GetDeviceCaps(dc, PHYSICALHEIGHT));
        window.m_pm.Paint(dc);
        EndPage(dc);
        EndDoc(dc);
        DeleteDC(dc);
    }
    DestroyWindow(host);
}
BENCHMARK(BM_PrintA4PageToPdfAt300Dpi)->Unit(benchmark::kMillisecond);

// A key image as SetImage encodes it.
static void BM_JpegThroughCUtil(benchmark::State& state)
{
    const std::vector<BYTE> pixels = Gradient(1024, 1024);
    HBITMAP hbm = CreateBitmap(1024, 1024, 1, 32, pixels.data());
    std::vector<unsigned char> jpeg;
    for (auto _ : state) {
        CUtil::GetJPEG(hbm, jpeg);
        benchmark::DoNotOptimize(jpeg.size());
    }
    DeleteObject(hbm);
}
BENCHMARK(BM_JpegThroughCUtil)->Unit(benchmark::kMillisecond);

// The peer: the same work as CUtil's encoder (quality 75, 4:2:0, the accurate integer DCT) with
// no bitmap lookup and no copy out of TurboJPEG's buffer.
static void BM_JpegWithTurboJpegDirectly(benchmark::State& state)
{
    const std::vector<BYTE> pixels = Gradient(1024, 1024);
    tjhandle handle = tjInitCompress();
    for (auto _ : state) {
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        tjCompress2(handle, pixels.data(), 1024, 1024 * 4, 1024, TJPF_BGRX, &jpeg, &size, TJSAMP_420, 75, TJFLAG_ACCURATEDCT);
        benchmark::DoNotOptimize(size);
        tjFree(jpeg);
    }
    tjDestroy(handle);
}
BENCHMARK(BM_JpegWithTurboJpegDirectly)->Unit(benchmark::kMillisecond);
