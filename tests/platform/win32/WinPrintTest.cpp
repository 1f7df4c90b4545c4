#include "platform/Host.h"
#include "support/FileChecks.h"
#include "support/SkinWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <regex>

using testing_support::DataFile;
using testing_support::Quoted;
using testing_support::ReadFile;
using testing_support::RunTool;
using testing_support::SkinWindow;
using testing_support::TempDir;

namespace {

// Prints the test page as one page, scaled to the paper's width, as the control prints reports.
bool PrintPage(const char* printer, const wchar_t* title)
{
    HWND host = platform::CreateHostWindow(400, 300);
    SkinWindow window(ReadFile(DataFile("skins/toolkit.xml")));
    window.Create(host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 400, 300);
    HDC dc = CreateDCA(nullptr, printer, nullptr, nullptr);
    bool printed = false;
    if (dc != nullptr) {
        DOCINFOW info{sizeof(DOCINFOW), title, nullptr, nullptr, 0};
        if (StartDocW(dc, &info) > 0) {
            if (StartPage(dc) > 0) {
                window.m_pm.SetZoomRatio(static_cast<float>(GetDeviceCaps(dc, PHYSICALWIDTH)) / 400.0f);
                window.ResizeClient(GetDeviceCaps(dc, PHYSICALWIDTH), GetDeviceCaps(dc, PHYSICALWIDTH) * 3 / 4);
                window.m_pm.Paint(dc);
                printed = EndPage(dc) > 0;
            }
            printed = EndDoc(dc) > 0 && printed;
        }
        DeleteDC(dc);
    }
    DestroyWindow(host);
    return printed;
}

} // namespace

// Paper sizes, page counts, titles and the CUPS queue are PrintedReportTest's and
// KMMainWindowTest's, through whole reports; here the colours of the page reach the paper.
TEST(WinPrint, PdfPrinterPaintsThePageInItsColours)
{
    TempDir dir;
    const std::string pdf = dir.File("page.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Test PDF", pdf.c_str()));
    ASSERT_TRUE(PrintPage("Test PDF", L"colours"));
    // The title bar is blue across the top of the paper, as on screen.
    ASSERT_EQ(RunTool("pdftoppm -r 40 -png " + Quoted(pdf) + " " + Quoted(dir.File("page"))).nExitCode, 0);
    cairo_surface_t* png = cairo_image_surface_create_from_png(dir.File("page-1.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    const int width = cairo_image_surface_get_width(png);
    const unsigned char* row = cairo_image_surface_get_data(png) + cairo_image_surface_get_stride(png) * (width / 40);
    const unsigned char* pixel = row + (width / 3) * 4;
    EXPECT_NEAR(pixel[0], 0xA0, 8);
    EXPECT_NEAR(pixel[1], 0x60, 8);
    EXPECT_NEAR(pixel[2], 0x20, 8);
    cairo_surface_destroy(png);
}

TEST(WinPrint, UnknownPrintersAndBadPrinterSettingsAreRefused)
{
    EXPECT_FALSE(platform::RegisterPdfPrinter("", "x.pdf"));
    EXPECT_FALSE(platform::RegisterPdfPrinter("x", nullptr));
    EXPECT_FALSE(platform::RegisterPdfPrinter("x", "x.pdf", 0.0, 297.0, 300));
    EXPECT_FALSE(platform::RegisterPdfPrinter("x", "x.pdf", 210.0, 297.0, 0));
    EXPECT_EQ(CreateDCA(nullptr, "No Such Printer 4711", nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateDCA(nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(StartPage(nullptr), 0);
    EXPECT_EQ(EndDoc(nullptr), 0);
}

TEST(WinPrint, FailedDocumentLeavesTheOldFile)
{
    TempDir dir;
    const std::string pdf = dir.File("kept.pdf");
    testing_support::WriteFile(pdf, "old");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Abandoned", pdf.c_str()));
    HDC dc = CreateDCA(nullptr, "Abandoned", nullptr, nullptr);
    DOCINFOW info{sizeof(DOCINFOW), L"x", nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(dc, &info), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_EQ(StartDocW(dc, &info), 0) << "one document at a time";
    DeleteDC(dc);
    EXPECT_EQ(ReadFile(pdf), "old");
    EXPECT_EQ(RunTool("ls " + Quoted(dir.Path())).strOutput, "kept.pdf\n") << "no spool file is left";
}
