// A host's whole round with the report control: start a report for an image, fill it in, give
// it a picture, store the SR document and print the page to a PDF file.
//   report-host IMAGE.dcm REPORT.dcm PAGE.pdf
// Built against the installed package only: find_package(srctrl) or pkg-config srctrl.
#include <srctrl/IReportCtrl.h>

#include <cstdio>
#include <vector>

namespace {

int Fail(const char* what)
{
    std::fprintf(stderr, "report-host: %s: %s\n", what, SrCtrlGetLastError());
    return 1;
}

// A key image for the report: a small grey gradient. The caller owns the bitmap.
srctrl::HBITMAP MakePicture()
{
    const int width = 64;
    const int height = 48;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = p[1] = p[2] = static_cast<unsigned char>(x * 4);
            p[3] = 255;
        }
    }
    return srctrl::CreateBitmap(width, height, 1, 32, pixels.data());
}

int RunReport(IReportCtrl* ctrl, const char* image, const char* output, const char* pdf)
{
    IKMReport* report = ctrl->CreateReportFromImage(image);
    if (report == nullptr) {
        return Fail("no report for the image");
    }
    if (!ctrl->SetReportValue(0x07211001, L"No acute findings.") ||
        !ctrl->SetReportValue(0x07211002, L"Normal study.")) {
        return Fail("the report was not filled in");
    }
    if (report->GetImageBoxCount() > 0) {
        srctrl::HBITMAP picture = MakePicture();
        const bool shown = report->SetImage(0, picture);
        srctrl::DeleteObject(picture);
        if (!shown) {
            return Fail("the picture was not taken");
        }
    }
    report->CompleteDocument();
    if (!report->GetDcmSR()->SaveFile(output)) {
        return Fail("the report was not saved");
    }
    if (!srctrl::platform::RegisterPdfPrinter("Report PDF", pdf) || !ctrl->Print("Report PDF")) {
        return Fail("the report was not printed");
    }
    std::printf("report-host: srctrl %s: %s and %s written\n", SrCtrlGetVersion(), output, pdf);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: report-host IMAGE.dcm REPORT.dcm PAGE.pdf\n");
        return 2;
    }
    // On Linux the control lives in a window the library makes for the host; it is painted off
    // screen and shown by the host through platform::CaptureWindow.
    srctrl::HWND host = srctrl::platform::CreateHostWindow(1000, 800);
    IReportCtrl* ctrl = CreateReportCtrl();
    int status = 1;
    if (ctrl->Create(host, 0, 0, 1000, 800) == nullptr) {
        Fail("the control did not start");
    } else {
        status = RunReport(ctrl, argv[1], argv[2], argv[3]);
    }
    srctrl::DestroyWindow(ctrl->GetHWND());
    ReleaseReportCtrl(ctrl);
    srctrl::DestroyWindow(host);
    return status;
}
