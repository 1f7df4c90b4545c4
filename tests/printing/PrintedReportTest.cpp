#include "control/KMMainWindow.h"
#include "control/SrCtrl.h"
#include "platform/Host.h"
#include "platform/kmbase/KMString.h"
#include "platform/kmdicom/KMDcmConvert.h"
#include "report/KMReportWindow.h"
#include "support/FileChecks.h"
#include "support/MainWindowFixture.h"
#include "support/TestSupport.h"
#include "SrCtrlVersion.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <cups/cups.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <regex>
#include <sstream>
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

// The text of one page (0: of them all), as pdftotext lays it out.
std::string PdfText(const std::string& pdf, int page = 0)
{
    const std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
    return RunTool("pdftotext -layout" + pages + " " + Quoted(pdf) + " - 2>/dev/null").strOutput;
}

// Every page of the PDF shows the page's number out of their count, and the text of every line.
void ExpectAWholeFlowedReport(const std::string& pdf, int findingLines, int conclusionLines)
{
    const std::string text = PdfText(pdf);
    EXPECT_TRUE(HoldsEveryLineInOrder(text, "Finding", findingLines));
    EXPECT_TRUE(HoldsEveryLineInOrder(text, "Conclusion", conclusionLines));
    const int pages = PageCount(pdf);
    EXPECT_GT(pages, 1);
    for (int page = 1; page <= pages; ++page) {
        const std::string number = "Page " + std::to_string(page) + " of " + std::to_string(pages);
        EXPECT_NE(PdfText(pdf, page).find(number), std::string::npos) << "no " << number << " on its page";
    }
    // The verifier block closes the report on its last page, below the conclusion.
    EXPECT_GT(text.find("Verified on"), text.find("Conclusion line " + std::to_string(conclusionLines) + " "));
    const std::string fonts = RunTool("pdffonts " + Quoted(pdf) + " 2>/dev/null").strOutput;
    EXPECT_TRUE(std::regex_search(fonts, std::regex("DejaVu\\S* +\\S+ +\\S+ +yes"))) << fonts;
}

// A page as pdftoppm draws it (PNG), pixel by pixel: white outside it.
class PagePicture {
public:
    explicit PagePicture(const std::string& png) : m_pImage(cairo_image_surface_create_from_png(png.c_str())) {}
    ~PagePicture() { cairo_surface_destroy(m_pImage); }
    int Width() const { return cairo_image_surface_get_width(m_pImage); }
    int Height() const { return cairo_image_surface_get_height(m_pImage); }
    // Red, green and blue, 0 to 255.
    std::array<int, 3> Rgb(int x, int y) const
    {
        const unsigned char* data = cairo_image_surface_get_data(m_pImage);
        const unsigned char* p = data + y * cairo_image_surface_get_stride(m_pImage) + x * 4;
        const bool inside = data != nullptr && x >= 0 && y >= 0 && x < Width() && y < Height();
        return inside ? std::array<int, 3>{p[2], p[1], p[0]} : std::array<int, 3>{255, 255, 255};
    }
    // Anything darker than paper.
    bool IsInk(int x, int y) const
    {
        const auto c = Rgb(x, y);
        return *std::min_element(c.begin(), c.end()) < 200;
    }

private:
    cairo_surface_t* m_pImage;
};

// The rows of a page picture that hold ink, as [first, last]; {-1, -1} for an empty page.
std::pair<int, int> InkedRows(const PagePicture& page)
{
    std::pair<int, int> rows{-1, -1};
    for (int y = 0; y < page.Height(); ++y) {
        for (int x = 0; x < page.Width(); ++x) {
            if (page.IsInk(x, y)) {
                rows.first = rows.first < 0 ? y : rows.first;
                rows.second = y;
                break;
            }
        }
    }
    return rows;
}

// Draws the first page of a PDF with pdftoppm's `options` (resolution, area) as dir/name.png.
std::string DrawPage(const std::string& pdf, const std::string& options, const TempDir& dir, const std::string& name)
{
    RunTool("pdftoppm -singlefile -png " + options + " " + Quoted(pdf) + " " + Quoted(dir.File(name)));
    return dir.File(name + ".png");
}

// A word of a page and its box, in points from the page's top left, as pdftotext -bbox gives it.
struct Word {
    std::string strText;
    double x0, y0, x1, y1;
};

std::vector<Word> Words(const std::string& pdf, int page)
{
    const std::string range = " -f " + std::to_string(page) + " -l " + std::to_string(page);
    const std::string html = RunTool("pdftotext -bbox" + range + " " + Quoted(pdf) + " - 2>/dev/null").strOutput;
    const std::string n = "=\"([\\d.]+)\"";
    const std::regex word("<word xMin" + n + " yMin" + n + " xMax" + n + " yMax" + n + ">([^<]*)</word>");
    std::vector<Word> words;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        words.push_back(Word{m[5], std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
    }
    return words;
}

// The first word with that text; a word with y0 = -1 when there is none.
Word FindWord(const std::vector<Word>& words, const std::string& text)
{
    const auto it = std::find_if(words.begin(), words.end(), [&](const Word& w) { return w.strText == text; });
    return it != words.end() ? *it : Word{text, -1, -1, -1, -1};
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
        const PagePicture picture(dir.File(name));
        const auto rows = InkedRows(picture);
        EXPECT_GE(rows.first, 0) << "page " << page << " is empty";
        EXPECT_GT(rows.second, picture.Height() * 9 / 10) << "page " << page << " has no number at its foot";
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

// A finding of one paragraph of at least `chars` characters: words of Greek letters (which
// nothing else on the page holds) that spell their numbers, each with a space after it or none.
std::wstring GreekParagraph(size_t chars, bool spaces)
{
    std::wstring text;
    for (size_t n = 0; text.size() < chars; ++n) {
        for (size_t rest = n, digit = 0; digit < 6; ++digit, rest /= 10) {
            text += static_cast<wchar_t>(L'α' + rest % 10);
        }
        text += spaces ? L" " : L"";
    }
    return text;
}

// The words of a PDF's text that hold Greek letters, each followed by `separator`.
std::wstring GreekWords(const std::string& pdf, const wchar_t* separator)
{
    std::wistringstream text(KMString::ToWide(RunTool("pdftotext " + Quoted(pdf) + " - 2>/dev/null").strOutput));
    std::wstring words;
    for (std::wstring word; text >> word;) {
        if (std::any_of(word.begin(), word.end(), [](wchar_t c) { return c >= 0x0370 && c <= 0x03FF; })) {
            words += word + separator;
        }
    }
    return words;
}

} // namespace

// A finding dictated as one paragraph prints whole, however long, with spaces or none.
TEST_F(PrintedReportTest, OneLongParagraphPrintsEveryWord)
{
    ASSERT_NE(m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str()), nullptr);
    TempDir dir;
    const std::string pdf = dir.File("paragraph.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Paragraph PDF", pdf.c_str()));
    const struct {
        size_t nChars;
        bool bSpaces;
    } findings[] = {{96000, false}, {96000, true}, {200000, true}, {1 << 20, false}, {1 << 20, true}};
    for (const auto& finding : findings) {
        SCOPED_TRACE(std::to_string(finding.nChars) + (finding.bSpaces ? " characters of words" : " without a space"));
        const std::wstring text = GreekParagraph(finding.nChars, finding.bSpaces);
        ASSERT_TRUE(m_main->SetReportValue(kFinding, text.c_str()));
        ASSERT_TRUE(m_main->Print("Paragraph PDF")) << SrCtrlGetLastError();
        // Without spaces, each line of the finding is one word of the PDF's text.
        const std::wstring printed = GreekWords(pdf, finding.bSpaces ? L" " : L"");
        EXPECT_TRUE(printed == text) << printed.size() << " of " << text.size() << " characters";
    }
}

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

// A field narrower than a letter would cut its value on paper: nothing is printed, and the reason
// names the field.
TEST_F(PrintedReportTest, AValueThatPaperWouldCutPrintsNothing)
{
    TempDir dir;
    const std::string pdf = dir.File("cut.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Cut PDF", pdf.c_str()));
    const std::string narrow = dir.File("narrow.xml");
    testing_support::WriteFile(narrow, std::regex_replace(testing_support::ReadFile(std::string(SRCTRL_SOURCE_DIR) +
                                                                                    "/skin/srctrl/default_template.xml"),
                                                          std::regex("userdata=\"0008,0090\""),
                                                          "userdata=\"0008,0090\" width=\"2\""));
    m_main->SetTemplateFile(narrow.c_str());
    ASSERT_NE(m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str()), nullptr);
    EXPECT_FALSE(m_main->Print("Cut PDF"));
    EXPECT_STREQ(SrCtrlGetLastError(), "the printed copy would cut the text of the field (0008,0090)");
    EXPECT_EQ(testing_support::Entries(dir.Path()), std::vector<std::string>{"narrow.xml"});
}

// Every sheet of a report of three sheets or more names its patient and tells the report's status in the
// template's words: a report that is not verified is marked on each sheet, a verified one on none,
// and it prints who verified it, for whom and when.
TEST_F(PrintedReportTest, EverySheetNamesThePatientAndTheReportsStatus)
{
    const std::string chinese = std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/template_zh_CN.xml";
    // A template that repeats its patient rows, in place of the line that names the patient.
    TempDir dir;
    std::string own = testing_support::ReadFile(std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml");
    own = std::regex_replace(own, std::regex(" printheader=\"repeat\""), "");
    own = std::regex_replace(own, std::regex("name=\"RT_ATTRLIST\""), "$& printheader=\"repeat\"");
    own = std::regex_replace(own, std::regex("<Print "), "$&runningheader=\"none\" ");
    const std::string ownFile = dir.File("own.xml");
    testing_support::WriteFile(ownFile, own);
    // `later` is on every later sheet beside the patient's name and birth date; `runningLine`: the line that
    // names the patient, with the accession number, is there too.
    const struct { const char* file; bool verified; const char* mark, *footer, *later; bool runningLine; } cases[] = {
        {nullptr, false, "PRELIMINARY — NOT VERIFIED", "Page %d of %d", "ID P-0042", true},
        {nullptr, true, "PRELIMINARY", "Page %d of %d · VERIFIED", "ID P-0042", true},
        {chinese.c_str(), false, "初步报告 — 未经审核", "第 %d 页，共 %d 页", "编号 P-0042", true},
        {ownFile.c_str(), false, "PRELIMINARY — NOT VERIFIED", "Page %d of %d", "Patient ID", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file != nullptr ? c.file : "") + (c.verified ? " (verified)" : ""));
        const std::string pdf = dir.File("report.pdf");
        ASSERT_TRUE(platform::RegisterPdfPrinter("Status PDF", pdf.c_str()));
        m_main->SetTemplateFile(c.file);
        IKMReport* report = LongReport(150, 3);
        ASSERT_NE(report, nullptr);
        ASSERT_TRUE(m_main->SetReportValue(0x00080050, L"ACC-1001"));
        // Who is to verify is typed before the verification; it is no signature until then.
        report->SetValue(0x0040A075, L"Roe^Anna");
        report->SetValue(0x0040A027, L"City Hospital");
        if (c.verified) {
            report->CompleteDocument();
            report->VerifyDocument();
            ASSERT_TRUE(report->IsVerified());
            // On the screen's page the badge has a place of its own, clear of the logo.
            const auto& pm = dynamic_cast<KMReportWindow*>(report)->m_pm;
            const RECT& a = pm.FindControl(L"verifiedCtrl")->GetPos();
            const RECT& b = pm.FindControl(L"RT_LOGO")->GetPos();
            EXPECT_TRUE(a.left >= b.right || b.left >= a.right || a.top >= b.bottom || b.top >= a.bottom);
        }
        ASSERT_TRUE(m_main->Print("Status PDF"));
        const int pages = PageCount(pdf);
        ASSERT_GE(pages, 3);
        for (int page = 1; page <= pages; ++page) {
            const std::string text = PdfText(pdf, page);
            char footer[64];
            std::snprintf(footer, sizeof footer, c.footer, page, pages);
            EXPECT_NE(text.find(footer), std::string::npos) << "page " << page;
            EXPECT_EQ(text.find(c.mark) != std::string::npos, !c.verified) << "page " << page;
            EXPECT_NE(text.find("P-0042"), std::string::npos) << "page " << page;
            if (page > 1) {
                for (const char* part : {"Jürgen Müller", c.later, "1971-03-15"}) {
                    EXPECT_NE(text.find(part), std::string::npos) << part << " on page " << page;
                }
                EXPECT_EQ(text.find("ACC-1001") != std::string::npos, c.runningLine) << "page " << page;
            }
        }
        const std::regex signature("Anna Roe[^]*City Hospital[^]*\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d");
        const bool signedOff = std::regex_search(PdfText(pdf, pages), signature);
        EXPECT_EQ(signedOff, c.verified);
        EXPECT_EQ(PdfText(pdf, pages).find("Anna Roe") != std::string::npos, c.verified);
        m_main->CloseReport(report);
    }
}

// Values print as people read them, never in their DICOM form: on the page, in the running
// header and in the PDF's properties.
TEST_F(PrintedReportTest, ValuesPrintAsPeopleReadThemAndNameTheDocument)
{
    TempDir dir;
    const std::string pdf = dir.File("report.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Values PDF", pdf.c_str()));
    ASSERT_NE(LongReport(150, 3), nullptr);
    const auto name = [](const wchar_t* value) { return KMString(KMDcmConvert::FormatPersonName(value)).str(); };
    // Stored, and printed on the page (the study description only among the PDF's properties).
    const struct { DWORD tag; const wchar_t* stored; std::string printed; } values[] = {
        {0x00100010, L"Doe^John^^Dr", name(L"Doe^John^^Dr")},
        // Wider than its field: it wraps on paper, whole.
        {0x00080090, L"Wolfeschlegelsteinhausen^Hubert Blaine^^Prof. Dr. med.",
         name(L"Wolfeschlegelsteinhausen^Hubert Blaine^^Prof. Dr. med.")},
        {0x07211004, L"Smith^Jane", name(L"Smith^Jane")},
        {0x00101010, L"045Y", "45 years"},
        {0x00100030, L"19700101", "1970-01-01"},
        {0x00100040, L"F", "Female"},
        {0x00080023, L"20240131", "2024-01-31"},
        {0x00081030, L"CT chest", ""},
    };
    for (const auto& v : values) {
        ASSERT_TRUE(m_main->SetReportValue(v.tag, v.stored)) << KMString(v.stored).str();
    }
    ASSERT_TRUE(m_main->Print("Values PDF"));
    // In the order of the page's content, with each run of blanks and line ends read as one space.
    const std::string text =
        std::regex_replace(RunTool("pdftotext " + Quoted(pdf) + " - 2>/dev/null").strOutput, std::regex("\\s+"), " ");
    EXPECT_EQ(text.find('^'), std::string::npos) << "a name in its DICOM form";
    for (const auto& v : values) {
        EXPECT_NE(text.find(v.printed), std::string::npos) << v.printed;
        EXPECT_TRUE(v.printed.empty() || text.find(KMString(v.stored).str() + " ") == std::string::npos)
            << KMString(v.stored).str() << " printed in its DICOM form";
    }
    const std::string info = RunTool("pdfinfo " + Quoted(pdf)).strOutput;
    const std::string title = "Default radiology report — " + name(L"Doe^John^^Dr") + " — 2024-01-31";
    for (const std::string& line : {"Title: +" + title + "\n",
                                    "Author: +" + name(L"Smith^Jane") + "\n", std::string("Subject: +CT chest\n"),
                                    std::string("Creator: +srctrl " SRCTRL_VERSION_STRING "\n"),
                                    std::string("CreationDate: +\\S+ \\S+ +\\d+ [\\d:]+ 20\\d\\d")}) {
        EXPECT_TRUE(std::regex_search(info, std::regex(line))) << line << " in\n" << info;
    }
}

// On paper a field is its value as text: within the patient's rows nothing is drawn but words,
// no box, arrow or spin button; and what the document does not hold takes no room.
TEST_F(PrintedReportTest, FieldsPrintAsTextAndEmptyBoxesAreLeftOut)
{
    TempDir dir;
    std::string kept = testing_support::ReadFile(std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml");
    kept = std::regex_replace(kept, std::regex("<Picture |name=\"RT_QRCODE\""), "$& printempty=\"keep\" ");
    testing_support::WriteFile(dir.File("kept.xml"), kept);
    ASSERT_TRUE(platform::RegisterPdfPrinter("Boxes PDF", dir.File("report.pdf").c_str()));
    const struct { const char* templateFile; bool boxes; } cases[] = {{nullptr, false}, {"kept.xml", true}};
    double findingsTop[2] = {0, 0};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.boxes ? "a template that keeps empty boxes" : "the default template");
        m_main->SetTemplateFile(c.templateFile != nullptr ? dir.File(c.templateFile).c_str() : nullptr);
        IKMReport* report = m_main->CreateReportFromImage(DataFile("ct-image.dcm").c_str());
        ASSERT_NE(report, nullptr);
        ASSERT_TRUE(m_main->Print("Boxes PDF"));
        const std::vector<Word> words = Words(dir.File("report.pdf"), 1);
        const PagePicture page(DrawPage(dir.File("report.pdf"), "-r 72", dir, "page"));
        findingsTop[c.boxes] = FindWord(words, "Findings").y0;
        EXPECT_EQ(FindWord(words, "Key").y0 >= 0, c.boxes);
        int boxPixels = 0;
        int strayInk = 0;
        const int rowsTop = static_cast<int>(FindWord(words, "study").y1) + 2;
        const double rowsBottom = c.boxes ? FindWord(words, "Key").y0 : findingsTop[c.boxes];
        for (int y = 0; y < page.Height(); ++y) {
            for (int x = 0; x < page.Width(); ++x) {
                boxPixels += page.Rgb(x, y) == std::array<int, 3>{0xF4, 0xF6, 0xF8};
                const bool inWord = std::any_of(words.begin(), words.end(), [&](const Word& w) {
                    return x >= w.x0 - 1 && x <= w.x1 + 1 && y >= w.y0 - 1 && y <= w.y1 + 1;
                });
                strayInk += y > rowsTop && y < rowsBottom - 2 && page.IsInk(x, y) && !inWord;
            }
        }
        EXPECT_EQ(boxPixels > 10000, c.boxes) << boxPixels;
        EXPECT_EQ(strayInk, 0) << "ink beside the words of the patient's rows";
        m_main->CloseReport(report);
    }
    // The page closes the gap where the image area was.
    EXPECT_LT(findingsTop[0], findingsTop[1] - 200);
}

// A key image reaches the PDF as the JPEG the document holds, not as re-compressed pixels, and
// its box's frame keeps a design pixel's weight on paper: at 600 dpi a one-dot line would all
// but vanish, where the frame is some six dots wide.
TEST_F(PrintedReportTest, KeyImagesPrintAsTheirJpegBytesInAFrame)
{
    TempDir dir;
    const std::string pdf = dir.File("images.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Image PDF", pdf.c_str(), 210.0, 297.0, 600));
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

    // The one picture's box spans the page between its insets; its left edge, at x 40 of the
    // design (250 dots), runs down its 270 design pixels (some 1700 dots).
    const PagePicture strip(DrawPage(pdf, "-r 600 -x 200 -y 0 -W 100 -H 7016", dir, "strip"));
    int frameDots = 0;
    for (int x = 0; x < strip.Width(); ++x) {
        int inked = 0;
        for (int y = 0; y < strip.Height(); ++y) {
            inked += strip.IsInk(x, y);
        }
        frameDots += inked > 1200;
    }
    EXPECT_GE(frameDots, 4) << "the frame is " << frameDots << " dots wide";
}
