#include "control/KMMainWindow.h"
#include "platform/Host.h"
#include "report/KMReportWindow.h"
#include "support/FileChecks.h"
#include "support/MainWindowFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <cups/cups.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <regex>
#include <vector>
#include <string>
#include <thread>

using testing_support::DataFile;
using testing_support::Quoted;
using testing_support::RunTool;
using testing_support::TempDir;

namespace {

constexpr DWORD kFinding = 0x07211001;
constexpr DWORD kConclusion = 0x07211002;

std::wstring Lines(const wchar_t* prefix, int count)
{
    std::wstring text;
    for (int i = 1; i <= count; ++i) {
        text += std::wstring(prefix) + L" line " + std::to_wstring(i) + L" of the report, with a few words more.";
        if (i < count) {
            text += L"\n";
        }
    }
    return text;
}

// Whether "<prefix> line 1" .. "<prefix> line <count>" each appear once, in order, in the text.
::testing::AssertionResult HoldsEveryLineInOrder(const std::string& text, const std::string& prefix, int count)
{
    const std::regex line(prefix + " line (\\d+) ");
    int expected = 1;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it) {
        const int found = std::stoi((*it)[1]);
        if (found != expected) {
            return ::testing::AssertionFailure() << prefix << " line " << found << " where line " << expected
                                                 << " belongs";
        }
        ++expected;
    }
    if (expected != count + 1) {
        return ::testing::AssertionFailure() << prefix << ": " << expected - 1 << " of " << count << " lines";
    }
    return ::testing::AssertionSuccess();
}

int PageCount(const std::string& pdf)
{
    std::smatch match;
    const std::string info = RunTool("pdfinfo " + Quoted(pdf) + " 2>&1").strOutput;
    return std::regex_search(info, match, std::regex("Pages: +(\\d+)")) ? std::stoi(match[1]) : 0;
}

// Every page of the PDF shows the page's number out of their count, and the text of every line.
void ExpectAWholeFlowedReport(const std::string& pdf, int findingLines, int conclusionLines)
{
    const std::string text = RunTool("pdftotext -layout " + Quoted(pdf) + " - 2>/dev/null").strOutput;
    EXPECT_TRUE(HoldsEveryLineInOrder(text, "Finding", findingLines));
    EXPECT_TRUE(HoldsEveryLineInOrder(text, "Conclusion", conclusionLines));
    const int pages = PageCount(pdf);
    EXPECT_GT(pages, 1);
    for (int page = 1; page <= pages; ++page) {
        const std::string number = std::to_string(page) + "/" + std::to_string(pages);
        EXPECT_TRUE(std::regex_search(text, std::regex("\\s" + number + "\\s"))) << "no page number " << number;
    }
    // The verifier block closes the report on its last page, below the conclusion.
    EXPECT_GT(text.find("Verified on"), text.find("Conclusion line " + std::to_string(conclusionLines) + " "));
    const std::string fonts = RunTool("pdffonts " + Quoted(pdf) + " 2>/dev/null").strOutput;
    EXPECT_TRUE(std::regex_search(fonts, std::regex("DejaVu\\S* +\\S+ +\\S+ +yes"))) << fonts;
}

// The rows of a page picture (as pdftoppm writes it) that hold anything darker than paper, as
// [first, last]; {-1, -1} for an empty page.
std::pair<int, int> InkedRows(const std::string& png, int& width, int& height)
{
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    std::pair<int, int> rows{-1, -1};
    width = cairo_image_surface_get_width(image);
    height = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    for (int y = 0; data != nullptr && y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = data + y * stride + x * 4;
            if (p[0] < 200 || p[1] < 200 || p[2] < 200) {
                rows.first = rows.first < 0 ? y : rows.first;
                rows.second = y;
                break;
            }
        }
    }
    cairo_surface_destroy(image);
    return rows;
}

// Each page holds ink within the paper, and some of it in the page's lowest tenth (the page
// number), so that nothing ran off the bottom.
void ExpectPagesWithinThePaper(const std::string& pdf, const TempDir& dir)
{
    const int pages = PageCount(pdf);
    ASSERT_EQ(RunTool("pdftoppm -r 20 -png " + Quoted(pdf) + " " + Quoted(dir.File("look")) + " 2>/dev/null").nExitCode,
              0);
    for (int page = 1; page <= pages; ++page) {
        char name[32];
        std::snprintf(name, sizeof name, pages >= 10 ? "look-%02d.png" : "look-%d.png", page);
        int width = 0;
        int height = 0;
        const auto rows = InkedRows(dir.File(name), width, height);
        EXPECT_GE(rows.first, 0) << "page " << page << " is empty";
        EXPECT_GT(rows.second, height * 9 / 10) << "page " << page << " has no number at its foot";
    }
}

class PrintedReportTest : public testing_support::MainWindowFixture<> {
protected:
    IKMReport* LongReport(int findingLines, int conclusionLines)
    {
        IKMReport* report = m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str());
        if (report != nullptr) {
            m_main->SetReportValue(kFinding, Lines(L"Finding", findingLines).c_str());
            m_main->SetReportValue(kConclusion, Lines(L"Conclusion", conclusionLines).c_str());
        }
        return report;
    }
};

// The highest job id of the queue among its jobs of the given kind (CUPS_WHICHJOBS_...).
int NewestJobId(const char* queue, int which)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, which);
    int newest = 0;
    for (int i = 0; i < count; ++i) {
        newest = std::max(newest, jobs[i].id);
    }
    cupsFreeJobs(count, jobs);
    return newest;
}

int LastJobId(const char* queue) { return NewestJobId(queue, CUPS_WHICHJOBS_ALL); }

// The PDF that cups-pdf wrote for the first job of the queue after job `jobCountBefore`, waiting
// for it; empty when none came.
std::string CupsPdfOf(int jobCountBefore, const char* queue)
{
    const char* home = std::getenv("HOME");
    for (int attempt = 0; attempt < 300; ++attempt) {
        const int newest = NewestJobId(queue, CUPS_WHICHJOBS_COMPLETED);
        if (newest > jobCountBefore) {
            const std::string found =
                RunTool("ls " + Quoted(std::string(home != nullptr ? home : "/root") + "/PDF") + "/*-job_" +
                        std::to_string(newest) + ".pdf 2>/dev/null")
                    .strOutput;
            if (!found.empty()) {
                return found.substr(0, found.find('\n'));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::string();
}

} // namespace

TEST_F(PrintedReportTest, LongTextsPrintWholeOnA4AndLetterFilePrinters)
{
    ASSERT_NE(LongReport(300, 40), nullptr);
    const struct {
        const char* name;
        double width;
        double height;
        int dpi;
        const char* size;
    } papers[] = {{"Flow A4", 210.0, 297.0, 300, "(A4)"}, {"Flow Letter", 215.9, 279.4, 600, "(letter)"}};
    for (const auto& paper : papers) {
        SCOPED_TRACE(paper.name);
        TempDir dir;
        const std::string pdf = dir.File("report.pdf");
        ASSERT_TRUE(platform::RegisterPdfPrinter(paper.name, pdf.c_str(), paper.width, paper.height, paper.dpi));
        ASSERT_TRUE(m_main->Print(paper.name));
        EXPECT_NE(RunTool("pdfinfo " + Quoted(pdf)).strOutput.find(paper.size), std::string::npos);
        ExpectAWholeFlowedReport(pdf, 300, 40);
        ExpectPagesWithinThePaper(pdf, dir);
    }
}

TEST_F(PrintedReportTest, LongTextsReachCupsQueuesAsTextWithEmbeddedFonts)
{
    ASSERT_NE(LongReport(300, 40), nullptr);
    for (const char* queue : {"SRCTRL_PDF_A4", "SRCTRL_PDF_LETTER"}) {
        SCOPED_TRACE(queue);
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue, nullptr);
        if (dest == nullptr) {
            GTEST_SKIP() << "no CUPS queue " << queue << ": scripts/start-cups.sh sets it up";
        }
        cupsFreeDests(1, dest);
        const int before = LastJobId(queue);
        ASSERT_TRUE(m_main->Print(queue));
        const std::string pdf = CupsPdfOf(before, queue);
        ASSERT_FALSE(pdf.empty()) << "cups-pdf wrote nothing";
        EXPECT_NE(RunTool("pdfinfo " + Quoted(pdf)).strOutput.find(std::string(queue).find("A4") != std::string::npos
                                                                        ? "(A4)"
                                                                        : "(letter)"),
                  std::string::npos);
        ExpectAWholeFlowedReport(pdf, 300, 40);
        TempDir dir;
        ExpectPagesWithinThePaper(pdf, dir);
        // Text, not pictures of pages.
        EXPECT_EQ(RunTool("pdfimages -list " + Quoted(pdf) + " 2>/dev/null | grep -c ' 300   300 '").strOutput, "0\n");
    }
}

TEST_F(PrintedReportTest, APageThatCannotBeBuiltPrintsNothing)
{
    TempDir dir;
    const std::string pdf = dir.File("never.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Unbuilt PDF", pdf.c_str()));
    // A template with no page in it.
    const std::string empty = dir.File("empty.xml");
    testing_support::WriteFile(empty, "<?xml version=\"1.0\"?><Window size=\"794,1123\"></Window>");
    m_main->SetTemplateFile(empty.c_str());
    if (m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str()) == nullptr) {
        GTEST_SKIP() << "the control refuses the template before printing";
    }
    EXPECT_FALSE(m_main->Print("Unbuilt PDF"));
    EXPECT_EQ(testing_support::Entries(dir.Path()), std::vector<std::string>{"empty.xml"});
}

TEST_F(PrintedReportTest, ThePrintedPageClaimsVerificationOnlyForAVerifiedReport)
{
    TempDir dir;
    const std::string pdf = dir.File("report.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Truth PDF", pdf.c_str()));
    IKMReport* report = m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr);
    std::wstring modality;
    EXPECT_TRUE(report->GetValue(0x00080060, modality));
    EXPECT_EQ(modality, L"CT") << "the image's modality is what the report is about";

    ASSERT_TRUE(m_main->Print("Truth PDF"));
    std::string text = RunTool("pdftotext " + Quoted(pdf) + " - 2>/dev/null").strOutput;
    EXPECT_EQ(text.find("verified electronically"), std::string::npos);
    EXPECT_EQ(text.find("VERIFIED"), std::string::npos);

    report->SetValue(0x0040A075, L"Roe^Anna");
    report->SetValue(0x0040A027, L"City Hospital");
    report->CompleteDocument();
    report->VerifyDocument();
    ASSERT_TRUE(report->IsVerified());
    ASSERT_TRUE(m_main->Print("Truth PDF"));
    text = RunTool("pdftotext " + Quoted(pdf) + " - 2>/dev/null").strOutput;
    EXPECT_NE(text.find("VERIFIED"), std::string::npos);

    // On the screen's page the badge has a place of its own, clear of the logo.
    auto* window = dynamic_cast<KMReportWindow*>(report);
    ASSERT_NE(window, nullptr);
    DuiLib::CControlUI* badge = window->m_pm.FindControl(L"verifiedCtrl");
    DuiLib::CControlUI* logo = window->m_pm.FindControl(L"RT_LOGO");
    ASSERT_NE(badge, nullptr);
    ASSERT_NE(logo, nullptr);
    EXPECT_TRUE(badge->IsVisible());
    const RECT& a = badge->GetPos();
    const RECT& b = logo->GetPos();
    EXPECT_TRUE(a.left >= b.right || b.left >= a.right || a.top >= b.bottom || b.top >= a.bottom);
}

// The fields' borders keep a design pixel's weight on paper: at 600 dpi a one-dot line would
// all but vanish. Seen at 96 dpi, where the page is as large as in its design, the right edge of
// the patient name's field (the left column's first box) is a dark line.
TEST_F(PrintedReportTest, BordersPrintAsHeavyAsOnTheScreen)
{
    TempDir dir;
    const std::string pdf = dir.File("report.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Border PDF", pdf.c_str(), 210.0, 297.0, 600));
    ASSERT_NE(m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str()), nullptr);
    ASSERT_TRUE(m_main->Print("Border PDF"));
    ASSERT_EQ(RunTool("pdftoppm -r 96 -png " + Quoted(pdf) + " " + Quoted(dir.File("page")) + " 2>/dev/null").nExitCode,
              0);
    cairo_surface_t* image = cairo_image_surface_create_from_png(dir.File("page-1.png").c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    // The Finding box's frame, which the template draws one design pixel wide, is at x 40 of the
    // design, between rows 651 and 811.
    int darkest = 255;
    for (int y = 700; y < 714; ++y) {
        for (int x = 35; x < 45; ++x) {
            const unsigned char* p = data + y * stride + x * 4;
            darkest = std::min<int>(darkest, (p[0] + p[1] + p[2]) / 3);
        }
    }
    cairo_surface_destroy(image);
    EXPECT_LT(darkest, 215);
}

// A key image reaches the PDF as the JPEG the document holds, not as re-compressed pixels.
TEST_F(PrintedReportTest, KeyImagesPrintAsTheirJpegBytes)
{
    TempDir dir;
    const std::string pdf = dir.File("images.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Image PDF", pdf.c_str()));
    IKMReport* report = m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr);
    std::vector<BYTE> pixels(256 * 256 * 4);
    for (size_t i = 0; i < 256 * 256; ++i) {
        pixels[i * 4] = static_cast<BYTE>(i % 256);
        pixels[i * 4 + 1] = static_cast<BYTE>(i / 256);
        pixels[i * 4 + 2] = static_cast<BYTE>((i * 7) % 251);
        pixels[i * 4 + 3] = 0xFF;
    }
    HBITMAP bitmap = CreateBitmap(256, 256, 1, 32, pixels.data());
    ASSERT_NE(bitmap, nullptr);
    ASSERT_TRUE(report->SetImage(0, bitmap));
    DeleteObject(bitmap);
    ASSERT_TRUE(m_main->Print("Image PDF"));
    const std::string images = RunTool("pdfimages -list " + Quoted(pdf) + " 2>/dev/null").strOutput;
    EXPECT_TRUE(std::regex_search(images, std::regex("image +256 +256 +rgb +3 +8 +jpeg"))) << images;
}
