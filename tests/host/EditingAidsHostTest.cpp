// Spelling, canned texts and the print preview's printer, as a host on the embedding surface
// sees them: red waves in the painted surface, and printed pages (as pdftoppm draws them) equal
// to those printed with spell checking off; the misspelt word's corrections and dictionary through the surface's calls, and
// canned texts typed with their trigger and Tab, stored as dsrdump reads the saved document.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"
#include "embed/ReportSurface.h"
#include "platform/editing/Spelling.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using host_test::Data;
using host_test::Output;
using srctrl::Key;
using srctrl::Modifiers;
using srctrl::MouseButton;
using srctrl::Rect;
using srctrl::ReportSurface;

constexpr DWORD kFinding = 0x07211001;
constexpr int kWidth = 600;
constexpr int kHeight = 400;
// The Finding box of the body-fields templates at a zoom of 1, and a point in its first line.
const Rect kFindingBox{20, 166, 560, 122};
constexpr int kFirstLineX = 40;
constexpr int kFirstLineY = 175;

class Client : public srctrl::ReportSurfaceClient {
public:
    void RepaintNeeded(const Rect&) override {}
    void TimerNeeded(int) override {}
};

bool IsRed(std::uint32_t argb)
{
    const unsigned r = (argb >> 16) & 0xFF;
    const unsigned g = (argb >> 8) & 0xFF;
    const unsigned b = argb & 0xFF;
    return r > 170 && g < 110 && b < 110;
}

class EditingAids : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The person's dictionary and snippets are the test's own.
        setenv("XDG_CONFIG_HOME", m_folder.File("config").c_str(), 1);
        srctrl::SetSpellChecking(true);
        srctrl::SetSpellLanguages(nullptr);
    }
    void TearDown() override
    {
        Close();
        srctrl::SetSpellChecker(nullptr);
        srctrl::SetSpellChecking(true);
        srctrl::SetSpellLanguages(nullptr);
    }

    void Open(const char* templateFile = "templates/body-fields.xml")
    {
        m_surface = ReportSurface::Create(&m_client, kWidth, kHeight, 1.0);
        ASSERT_NE(m_surface, nullptr);
        m_ctrl = CreateReportCtrl();
        ASSERT_NE(m_ctrl->Create(m_surface->GetHWND(), 0, 0, kWidth, kHeight), nullptr);
        m_ctrl->SetFitMode(0);
        ASSERT_TRUE(m_ctrl->SetTemplateFile(Data(templateFile).c_str()));
        ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
        ClickFinding();
    }
    void Close()
    {
        m_surface.reset();
        ReleaseReportCtrl(m_ctrl);
        m_ctrl = nullptr;
    }
    void ClickFinding(MouseButton button = MouseButton::Left, int x = kFirstLineX)
    {
        m_surface->MousePress(x, kFirstLineY, button);
        m_surface->MouseRelease(x, kFirstLineY, button);
    }
    // Typed key by key, as a person types.
    void Type(const std::string& text)
    {
        for (char c : text) {
            m_surface->CommitText(std::string(1, c).c_str());
        }
    }
    std::wstring Finding()
    {
        std::wstring value;
        m_ctrl->GetReportValue(kFinding, value);
        return value;
    }
    size_t RedPixelsOnScreen()
    {
        const int width = m_surface->GetPixelWidth();
        std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * m_surface->GetPixelHeight());
        m_surface->Paint(Rect{0, 0, kWidth, kHeight}, reinterpret_cast<unsigned char*>(pixels.data()), width,
                         m_surface->GetPixelHeight(), width * 4);
        size_t red = 0;
        for (int y = kFindingBox.y; y < kFindingBox.y + kFindingBox.height; ++y) {
            for (int x = kFindingBox.x; x < kFindingBox.x + kFindingBox.width; ++x) {
                red += IsRed(pixels[static_cast<size_t>(y) * width + x]) ? 1 : 0;
            }
        }
        return red;
    }

    host_test::Folder m_folder;
    Client m_client;
    std::unique_ptr<ReportSurface> m_surface;
    IReportCtrl* m_ctrl = nullptr;
};

} // namespace

// Which texts are marked, under which languages: English typos are, medical words, Chinese text
// and words of no checked script are not, and a host can turn checking off.
TEST_F(EditingAids, MarksMisspeltWordsOnlyWhereTheyAreMisspelt)
{
    struct Case {
        const char* templateFile;
        const char* hostLanguages;
        bool enabled;
        const char* text;
        bool marked;
    } cases[] = {
        {"templates/body-fields.xml", nullptr, true, "A small pneumothroax. ", true},
        {"templates/body-fields.xml", nullptr, true, "Subsegmental hyperattenuating pneumothorax. ", false},
        {"templates/body-fields.xml", nullptr, true, "CT T2 12mm MRI. ", false},
        {"templates/body-fields.xml", nullptr, true, "\xE5\x8F\xB3\xE8\x82\xBA\xE8\xA7\x81\xE7\xBB\x93\xE8\x8A\x82 ", false},
        {"templates/body-fields-zh.xml", nullptr, true, "\xE5\x8F\xB3\xE8\x82\xBA\xE8\xA7\x81\xE7\xBB\x93\xE8\x8A\x82 ", false},
        {"templates/body-fields-zh.xml", nullptr, true, "\xE5\x8F\xB3\xE8\x82\xBA pneumothroax ", true},
        {"templates/body-fields.xml", "zh_CN", true, "A small pneumothroax. ", false},
        {"templates/body-fields.xml", nullptr, false, "A small pneumothroax. ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        srctrl::SetSpellLanguages(c.hostLanguages);
        srctrl::SetSpellChecking(c.enabled);
        Open(c.templateFile);
        m_surface->CommitText(c.text);
        EXPECT_EQ(RedPixelsOnScreen() > 0, c.marked);
        Close();
    }
}

// The word being typed is left alone until the caret leaves it; the printed page and its PDF
// never show a wave.
TEST_F(EditingAids, WavesShowOnTheScreenAndNeverOnPaper)
{
    Open();
    Type("pneumothroax");
    EXPECT_EQ(RedPixelsOnScreen(), 0u) << "the word being typed is not marked yet";
    Type(" ");
    EXPECT_GT(RedPixelsOnScreen(), 20u);

    // The printed pages are those of the same report printed with spell checking off.
    const auto print = [&](const char* name) {
        const std::string pdf = m_folder.File(std::to_string(std::hash<std::string>()(name)) + ".pdf");
        EXPECT_TRUE(platform::RegisterPdfPrinter(name, pdf.c_str()));
        EXPECT_TRUE(m_ctrl->Print(name));
        EXPECT_NE(Output("pdftotext " + pdf + " -").find("pneumothroax"), std::string::npos);
        return Output("pdftoppm -r 100 " + pdf + " | md5sum");
    };
    const std::string checked = print("Spelling on");
    srctrl::SetSpellChecking(false);
    EXPECT_EQ(checked, print("Spelling off"));
    srctrl::SetSpellChecking(true);
    EXPECT_GT(RedPixelsOnScreen(), 20u) << "printing leaves the screen's marks";
}

// Corrections come from the dictionary and go in as one undoable step.
TEST_F(EditingAids, CorrectsTheWordUnderTheContextMenu)
{
    Open();
    Type("Small pneumothroax here");
    ClickFinding(MouseButton::Right, kFirstLineX + 60);
    std::string word;
    std::vector<std::string> suggestions;
    ASSERT_TRUE(m_surface->GetMisspelledWord(word, suggestions));
    EXPECT_EQ(word, "pneumothroax");
    ASSERT_FALSE(suggestions.empty());
    EXPECT_EQ(suggestions.front(), "pneumothorax");
    ASSERT_TRUE(m_surface->CorrectMisspelledWord("pneumothorax"));
    EXPECT_EQ(Finding(), L"Small pneumothorax here");
    EXPECT_FALSE(m_surface->GetMisspelledWord(word, suggestions));
    m_surface->KeyDown(Key::Z, Modifiers::Ctrl);
    EXPECT_EQ(Finding(), L"Small pneumothroax here");

    ClickFinding(MouseButton::Right, kFirstLineX + 2);
    EXPECT_FALSE(m_surface->GetMisspelledWord(word, suggestions)) << "\"Small\" is a word";
    EXPECT_FALSE(m_surface->CorrectMisspelledWord("Large"));
}

// Added words live in the person's dictionary file and outlast the control; ignored words last
// as long as the control does.
TEST_F(EditingAids, AddedWordsOutlastTheControlAndIgnoredOnesDoNot)
{
    Open();
    Type("Kowalczyk saw glorbish ");
    std::string word;
    std::vector<std::string> suggestions;
    ClickFinding(MouseButton::Right, kFirstLineX + 4);
    ASSERT_TRUE(m_surface->GetMisspelledWord(word, suggestions));
    ASSERT_EQ(word, "Kowalczyk");
    ASSERT_TRUE(m_surface->AddMisspelledWordToDictionary()) << SrCtrlGetLastError();
    m_surface->KeyDown(Key::End);
    m_surface->KeyDown(Key::Left);
    ASSERT_TRUE(m_surface->IgnoreMisspelledWord());
    EXPECT_EQ(RedPixelsOnScreen(), 0u);
    EXPECT_NE(Output("cat " + m_folder.File("config/srctrl/words.txt")).find("Kowalczyk\n"), std::string::npos);

    Close();
    Open();
    Type("Kowalczyk ");
    EXPECT_EQ(RedPixelsOnScreen(), 0u) << "an added word is known after a restart";
    Type("glorbish ");
    EXPECT_GT(RedPixelsOnScreen(), 0u) << "an ignored word is marked again after a restart";

    // A dictionary that cannot be written says why, and the word is taken for the session.
    setenv("XDG_CONFIG_HOME", (m_folder.File("file", "not a folder") + "/config").c_str(), 1);
    Close();
    Open();
    Type("glorbish ");
    ClickFinding(MouseButton::Right, kFirstLineX + 4);
    EXPECT_FALSE(m_surface->AddMisspelledWordToDictionary());
    EXPECT_NE(std::string(SrCtrlGetLastError()).find("word not saved"), std::string::npos) << SrCtrlGetLastError();
    EXPECT_EQ(RedPixelsOnScreen(), 0u);
}

// A host's own checker takes Hunspell's place; a language without a dictionary says why.
TEST_F(EditingAids, AHostsCheckerTakesThePlaceOfHunspell)
{
    class SiteChecker : public srctrl::ISpellChecker {
    public:
        bool HasLanguage(const std::string& language, std::string&) override { return language == "en_US"; }
        bool IsCorrect(const std::string&, const std::string& word) override { return word != "Glarb"; }
        std::vector<std::string> Suggest(const std::string&, const std::string&) override { return {"Glorb"}; }
    } site;
    std::string why;
    EXPECT_FALSE(srctrl::CanCheckSpelling("xx_YY", why));
    EXPECT_NE(why.find("no dictionary for xx_YY"), std::string::npos) << why;
    EXPECT_FALSE(srctrl::CanCheckSpelling("../en_US", why));
    EXPECT_FALSE(srctrl::SetSpellLanguages("en_US;rm"));

    srctrl::SetSpellChecker(&site);
    Open();
    Type("Glarb pneumothroax ");
    ClickFinding(MouseButton::Right, kFirstLineX + 4);
    std::string word;
    std::vector<std::string> suggestions;
    ASSERT_TRUE(m_surface->GetMisspelledWord(word, suggestions));
    EXPECT_EQ(word, "Glarb");
    EXPECT_EQ(suggestions, std::vector<std::string>{"Glorb"});
    m_surface->KeyDown(Key::End);
    EXPECT_FALSE(m_surface->GetMisspelledWord(word, suggestions)) << "the site's checker knows every other word";
    Close();
}

// A trigger and Tab put the snippet in as one step; Tab goes from field to field; the document
// stores the filled text.
TEST_F(EditingAids, CannedTextGoesInWithItsTriggerAndTabThroughItsFields)
{
    m_folder.File("config");
    Output("mkdir -p " + m_folder.File("config/srctrl"));
    m_folder.File("config/srctrl/snippets.xml",
                  "<Snippets><Snippet name=\"Nodule\" trigger=\"nod\">Nodule of [size] mm in the [lobe].</Snippet>"
                  "<Snippet trigger=\"x\">no name</Snippet></Snippets>");
    Open();
    Type("Stable. nod");
    ASSERT_TRUE(m_surface->KeyDown(Key::Tab));
    EXPECT_EQ(Finding(), L"Stable. Nodule of [size] mm in the [lobe].");
    m_surface->KeyDown(Key::Z, Modifiers::Ctrl);
    EXPECT_EQ(Finding(), L"Stable. nod") << "one undo takes the canned text back";
    ASSERT_TRUE(m_surface->KeyDown(Key::Tab));
    m_surface->KeyDown(Key::Tab);
    Type("right upper lobe");
    m_surface->KeyDown(Key::Tab, Modifiers::Shift);
    Type("9");
    EXPECT_EQ(Finding(), L"Stable. Nodule of 9 mm in the right upper lobe.");
    std::string problem;
    const std::vector<ReportSurface::Snippet> snippets = m_surface->GetSnippets(&problem);
    ASSERT_EQ(snippets.size(), 1u);
    EXPECT_NE(problem.find("needs a name"), std::string::npos) << problem;
    const srctrl::Rect caret = m_surface->GetCaretRect();
    m_surface->KeyDown(Key::Tab);
    EXPECT_NE(m_surface->GetCaretRect().y, caret.y) << "past the last field Tab moves the focus on";

    const std::string saved = m_folder.File("report.dcm");
    ASSERT_TRUE(m_ctrl->GetActiveReport()->GetDcmSR()->SaveFile(saved.c_str()));
    const std::string dump = Output("dsrdump +Pl " + saved + " 2>&1");
    EXPECT_NE(dump.find("\"Stable. Nodule of 9 mm in the right upper lobe.\""), std::string::npos) << dump;

    // The template's normal findings come after the person's, and a broken file gives none.
    m_folder.File("config/srctrl/snippets.xml", "<Snippets><Snippet name=\"a\">b</Snip>");
    Close();
    Open("../../skin/srctrl/default_template.xml");
    // Tab to the first field that takes text.
    for (int i = 0; i < 40 && m_surface->GetSnippets().empty(); ++i) {
        m_surface->KeyDown(Key::Tab);
    }
    ASSERT_FALSE(m_surface->GetSnippets(&problem).empty());
    EXPECT_EQ(m_surface->GetSnippets().front().name, "Normal chest CT");
    EXPECT_NE(problem.find("line 1"), std::string::npos) << problem;
}

// A print preview's file printer stands for another printer: its paper and resolution are that
// printer's, as pdfinfo reads them from the PDF; a printer that does not exist is named.
TEST_F(EditingAids, APreviewPrinterLaysPagesOutAsThePrinterItStandsFor)
{
    Open();
    ASSERT_TRUE(platform::RegisterPdfPrinter("Letter at 150 dpi", m_folder.File("letter.pdf").c_str(), 215.9, 279.4, 150));
    const std::string preview = m_folder.File("preview.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinterLike("Preview", preview.c_str(), "Letter at 150 dpi"));
    ASSERT_TRUE(m_ctrl->Print("Preview"));
    EXPECT_NE(Output("pdfinfo " + preview).find("612 x 792 pts (letter)"), std::string::npos) << Output("pdfinfo " + preview);
    EXPECT_FALSE(platform::RegisterPdfPrinterLike("Preview", preview.c_str(), "no such printer here"));
    EXPECT_STREQ(SrCtrlGetLastError(), "no such printer: no such printer here");
}
