#include "platform/Host.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/CPaintManagerUI.h"
#include "platform/kmbase/KMString.h"
#include "support/SkinWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using platform::Click;
using platform::Key;
using platform::Modifiers;
using platform::PressKey;
using platform::TypeText;
using testing_support::CountOtherPixels;
using testing_support::SkinWindow;

namespace {

constexpr const char* kPage = R"(<Window>
  <Font id="0" name="Sans" size="14" default="true"/>
  <VerticalLayout bkcolor="#FFFFFFFF" inset="10,10,10,10" childpadding="10">
    <Edit name="line" height="26" width="160"/>
    <RichEdit name="finding" height="120" width="300"/>
    <Edit name="other" height="26" width="160"/>
  </VerticalLayout>
</Window>)";

// A page of a single-line edit, a rich edit and another edit, driven through the host's input.
class EditTest : public ::testing::Test {
protected:
    void SetUp() override { Open(kPage, 400, 260); }
    void Open(const std::string& skin, int width, int height)
    {
        m_host = platform::CreateHostWindow(width, height);
        m_window = std::make_unique<SkinWindow>(skin);
        ASSERT_NE(m_window->Create(m_host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, width, height), nullptr);
    }
    void TearDown() override
    {
        DuiLib::CPaintManagerUI::SetClipboard(nullptr);
        DestroyWindow(m_host);
        m_window.reset();
    }

    DuiLib::CEditUI* Edit(const wchar_t* name) { return m_window->Find<DuiLib::CEditUI>(name); }
    std::wstring Text(const wchar_t* name) { return Edit(name)->GetText().Str(); }

    void ClickOn(const wchar_t* name, Modifiers modifiers = Modifiers::Plain)
    {
        const POINT pt = m_window->Centre(name);
        ASSERT_TRUE(Click(m_host, pt.x, pt.y, modifiers));
    }
    // Clicks the field and types into it.
    void TypeInto(const wchar_t* name, const wchar_t* text)
    {
        ClickOn(name);
        ASSERT_TRUE(TypeText(m_host, text));
    }
    void Press(Key key, int times = 1, Modifiers modifiers = Modifiers::Plain)
    {
        for (int i = 0; i < times; ++i) {
            ASSERT_TRUE(PressKey(m_host, key, modifiers));
        }
    }
    // The caret stops that Right visits from the start of the focused edit's text.
    std::vector<size_t> StopsFromStart(DuiLib::CEditUI* edit)
    {
        Press(Key::Home, 1, Modifiers::Ctrl);
        std::vector<size_t> stops{edit->GetCaret()};
        for (size_t i = 0; i < edit->GetText().Str().size(); ++i) {
            Press(Key::Right);
            if (edit->GetCaret() == stops.back()) {
                break;
            }
            stops.push_back(edit->GetCaret());
        }
        return stops;
    }

    HBITMAP Capture() { return platform::CaptureWindow(m_host); }

    HWND m_host = nullptr;
    std::unique_ptr<SkinWindow> m_window;
};

// The host's own clipboard, standing in for the desktop's.
class HostClipboard : public DuiLib::IClipboardUI {
public:
    bool SetText(const std::wstring& text) override
    {
        if (bRefuse) {
            return false;
        }
        strText = text;
        ++nWrites;
        return true;
    }
    bool GetText(std::wstring& text) override
    {
        text = strText;
        return !strText.empty();
    }

    std::wstring strText;
    int nWrites = 0;
    bool bRefuse = false;
};

// The shipped default template as a page of 794 x 1123, and its Finding box.
class TemplateFindingTest : public EditTest {
protected:
    void SetUp() override
    {
        const std::string skin = std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml";
        ASSERT_NO_FATAL_FAILURE(Open(testing_support::ReadFile(skin), 794, 1123));
        m_pFinding = FindByTag(m_window->m_pm.GetRoot(), L"0721,1001");
        ASSERT_NE(m_pFinding, nullptr);
        ASSERT_STREQ(m_pFinding->GetClass(), L"RichEdit");
        m_box = m_pFinding->GetPos();
        ASSERT_TRUE(Click(m_host, (m_box.left + m_box.right) / 2, (m_box.top + m_box.bottom) / 2));
    }

    static DuiLib::CEditUI* FindByTag(DuiLib::CControlUI* control, const wchar_t* tag)
    {
        if (control->GetUserData() == tag) {
            return dynamic_cast<DuiLib::CEditUI*>(control);
        }
        auto* container = dynamic_cast<DuiLib::CContainerUI*>(control);
        for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
            if (DuiLib::CEditUI* found = FindByTag(container->GetItemAt(i), tag)) {
                return found;
            }
        }
        return nullptr;
    }

    DuiLib::CEditUI* m_pFinding = nullptr;
    RECT m_box{};
};

} // namespace

TEST_F(TemplateFindingTest, TwoHundredTypedLinesAreKeptExactlyAndTheLastIsShown)
{
    const RECT box = m_box;
    std::wstring expected;
    for (int i = 1; i <= 200; ++i) {
        const std::wstring line = L"Line " + std::to_wstring(i) + L": no acute findings, Größe ≤ 3 mm, 未见异常";
        m_window->Clear();
        ASSERT_TRUE(TypeText(m_host, line.c_str()));
        expected += line;
        if (i < 200) {
            Press(Key::Enter);
            expected += L'\n';
        }
    }
    EXPECT_EQ(m_pFinding->GetText().Str(), expected);
    const auto changes = m_window->Of(L"textchanged");
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().sText, expected) << "the last notification carries the whole text";

    // The box shows the end: it scrolled, the caret lies inside it, and a scroll bar stands at
    // the right edge of the box.
    EXPECT_GT(m_pFinding->GetScrollPos().cy, 0);
    const RECT caret = m_pFinding->GetCaretPos();
    EXPECT_GE(caret.top, box.top);
    EXPECT_LE(caret.bottom, box.bottom);
    HBITMAP lastLines = Capture();
    EXPECT_GT(CountOtherPixels(lastLines, RECT{box.right - 8, box.top + 4, box.right - 4, box.bottom - 4}, 0xFFFFFFFF),
              0);
    DeleteObject(lastLines);
    Press(Key::Home, 1, Modifiers::Ctrl);
    EXPECT_EQ(m_pFinding->GetScrollPos().cy, 0);
}

TEST_F(TemplateFindingTest, RightToLeftParagraphsStandRightAndSelectionsAreShown)
{
    const RECT box = m_box;
    ASSERT_TRUE(TypeText(m_host, L"Liver: normal.\nכבד: תקין.\nالكبد: سليم."));
    Press(Key::Up, 1, Modifiers::Shift);
    HBITMAP shot = Capture();
    const int middle = (box.left + box.right) / 2;
    const RECT hebrew{box.left + 1, m_pFinding->GetCaretPos().top, box.right - 12, m_pFinding->GetCaretPos().bottom};
    // The Hebrew line's ink lies in the right half of the box, the English line's in the left.
    EXPECT_EQ(CountOtherPixels(shot, RECT{hebrew.left, hebrew.top, middle, hebrew.bottom}, 0xFFFFFFFF), 0);
    EXPECT_GT(CountOtherPixels(shot, RECT{middle, hebrew.top, hebrew.right, hebrew.bottom}, 0xFFFFFFFF), 50);
    // Shift+Up selected from the end of the Arabic line to the same x on the Hebrew line.
    EXPECT_GT(testing_support::CountPixels(shot, box, 0xFFB4D5FE, 8), 200);
    DeleteObject(shot);
}

TEST_F(EditTest, UpAndDownKeepTheCaretsColumnAcrossLines)
{
    TypeInto(L"finding", L"abcdef\nabc");
    Press(Key::Up);
    ASSERT_TRUE(TypeText(m_host, L"X"));
    EXPECT_EQ(Text(L"finding"), L"abcXdef\nabc");
    Press(Key::Down);
    ASSERT_TRUE(TypeText(m_host, L"Y"));
    EXPECT_EQ(Text(L"finding"), L"abcXdef\nabcY") << "Down keeps the column of the line above";

    // Up goes to the line above at the nearest caret stop, not to the end of the text.
    Edit(L"finding")->SetText(L"");
    ASSERT_TRUE(TypeText(m_host, L"abc\ndef"));
    Press(Key::Up);
    ASSERT_TRUE(TypeText(m_host, L"X"));
    const std::wstring text = Text(L"finding");
    EXPECT_TRUE(text == L"abcX\ndef" || text == L"abXc\ndef") << KMString(text).str();

    // Up on the first line and Down on the last stay where they are.
    Press(Key::Home, 1, Modifiers::Ctrl);
    Press(Key::Up);
    EXPECT_EQ(Edit(L"finding")->GetCaret(), 0u);
    Press(Key::End, 1, Modifiers::Ctrl);
    Press(Key::Down);
    EXPECT_EQ(Edit(L"finding")->GetCaret(), text.size());
}

TEST_F(EditTest, WrappedLinesAreVisualLinesForUpDownHomeAndEnd)
{
    ClickOn(L"finding");
    // One paragraph that wraps onto several lines of the 300-pixel box.
    const std::wstring paragraph = L"one two three four five six seven eight nine ten eleven twelve thirteen "
                                   L"fourteen fifteen sixteen seventeen eighteen nineteen twenty";
    ASSERT_TRUE(TypeText(m_host, paragraph.c_str()));
    auto* finding = Edit(L"finding");
    const RECT end = finding->GetCaretPos();
    Press(Key::Home);
    const size_t lineStart = finding->GetCaret();
    EXPECT_GT(lineStart, 0u) << "Home goes to the start of the visual line, not of the paragraph";
    EXPECT_EQ(paragraph[lineStart - 1], L' ');
    Press(Key::Up);
    const RECT above = finding->GetCaretPos();
    EXPECT_LT(above.top, end.top);
    EXPECT_LT(finding->GetCaret(), lineStart);
    Press(Key::End);
    EXPECT_EQ(finding->GetCaret(), lineStart - 1) << "End stops before the space the line wrapped at";
}

TEST_F(EditTest, CaretStopsAndDeletionFollowGraphemeClusters)
{
    ClickOn(L"line");
    auto* line = Edit(L"line");
    // A flag is two regional indicators: Home and Delete take both.
    ASSERT_TRUE(TypeText(m_host, L"\U0001F1EB\U0001F1F7"));
    Press(Key::Home);
    Press(Key::Delete);
    EXPECT_EQ(Text(L"line"), L"");
    ASSERT_TRUE(TypeText(m_host, L"\U0001F1EB\U0001F1F7"));
    Press(Key::Backspace);
    EXPECT_EQ(Text(L"line"), L"");

    // e + combining acute is one stop, and Backspace takes the accented letter whole.
    ASSERT_TRUE(TypeText(m_host, L"xe\u0301y"));
    EXPECT_EQ(StopsFromStart(line), (std::vector<size_t>{0, 1, 3, 4}));
    Press(Key::End);
    Press(Key::Left);
    Press(Key::Backspace);
    EXPECT_EQ(Text(L"line"), L"xy");
    // In Hebrew, Backspace takes the vowel point and leaves the letter with its dagesh.
    line->SetText(L"\u05D1\u05BC\u05B8");
    Press(Key::Home);
    Press(Key::Left);
    EXPECT_EQ(line->GetCaret(), 3u) << "Left steps forward over the whole cluster in right-to-left text";
    Press(Key::Backspace);
    EXPECT_EQ(Text(L"line"), L"\u05D1\u05BC");

    // A family joined by zero-width joiners is one stop, and Delete takes it whole.
    line->SetText(L"a\U0001F468\u200D\U0001F469\u200D\U0001F467b");
    EXPECT_EQ(StopsFromStart(line), (std::vector<size_t>{0, 1, 6, 7}));
    Press(Key::Home);
    Press(Key::Right);
    Press(Key::Delete);
    EXPECT_EQ(Text(L"line"), L"ab");

    // A selection set by the program never cuts a cluster.
    line->SetText(L"a\U0001F1EB\U0001F1F7b");
    line->SetSel(2, 2);
    EXPECT_EQ(line->GetCaret(), 1u);
    line->SetSel(0, 100);
    EXPECT_EQ(line->GetSelText().Str(), L"a\U0001F1EB\U0001F1F7b");

    // A character typed as a UTF-16 surrogate pair arrives whole.
    line->SetText(L"");
    SendMessage(m_window->GetHWND(), WM_CHAR, 0xD83D, 0);
    SendMessage(m_window->GetHWND(), WM_CHAR, 0xDE00, 0);
    EXPECT_EQ(Text(L"line"), L"\U0001F600");
}

TEST_F(EditTest, RightToLeftTextPutsHomeOnTheRightAndEndOnTheLeft)
{
    auto* line = Edit(L"line");
    TypeInto(L"line", L"שלום עולם");
    const RECT end = line->GetCaretPos();
    Press(Key::Home);
    const RECT home = line->GetCaretPos();
    EXPECT_EQ(line->GetCaret(), 0u);
    EXPECT_GT(home.left, end.left + 20) << "the logical start of Hebrew text is its right edge";
    // Left moves visually: in right-to-left text, that is forward in the text.
    Press(Key::Left);
    EXPECT_EQ(line->GetCaret(), 1u);
    EXPECT_LT(line->GetCaretPos().left, home.left);
    ASSERT_TRUE(TypeText(m_host, L"א"));
    EXPECT_EQ(Text(L"line"), L"שאלום עולם");

    TypeInto(L"finding", L"مرحبا بالعالم");
    auto* finding = Edit(L"finding");
    const RECT arabicEnd = finding->GetCaretPos();
    Press(Key::Home);
    EXPECT_GT(finding->GetCaretPos().left, arabicEnd.left + 20);
    Press(Key::End);
    EXPECT_EQ(finding->GetCaretPos().left, arabicEnd.left);
}

TEST_F(EditTest, SelectionByShiftAndArrowsAndByDragging)
{
    auto* line = Edit(L"line");
    TypeInto(L"line", L"Chest CT");
    Press(Key::Left, 2, Modifiers::Shift);
    EXPECT_EQ(line->GetSelText().Str(), L"CT");
    ASSERT_TRUE(TypeText(m_host, L"MR"));
    EXPECT_EQ(Text(L"line"), L"Chest MR");
    Press(Key::Home, 1, Modifiers::Shift);
    EXPECT_EQ(line->GetSelText().Str(), L"Chest MR");
    Press(Key::Right);
    EXPECT_EQ(line->GetCaret(), 8u) << "Right without Shift ends a selection at its end";
    Press(Key::Left, 3, Modifiers::Shift);
    Press(Key::Backspace);
    EXPECT_EQ(Text(L"line"), L"Chest");
    Press(Key::A, 1, Modifiers::Ctrl);
    Press(Key::Delete);
    EXPECT_EQ(Text(L"line"), L"");
    // Ctrl with the arrows moves by word; with Shift it selects words.
    ASSERT_TRUE(TypeText(m_host, L"no free air"));
    Press(Key::Left, 1, Modifiers::Ctrl);
    EXPECT_EQ(line->GetCaret(), 8u);
    Press(Key::Left, 2, Modifiers::Ctrl | Modifiers::Shift);
    EXPECT_EQ(line->GetSelText().Str(), L"no free ");
    Press(Key::Home);
    Press(Key::Right, 1, Modifiers::Ctrl);
    EXPECT_EQ(line->GetCaret(), 3u);
    Press(Key::Right, 5, Modifiers::Ctrl);
    EXPECT_EQ(line->GetCaret(), 11u);
    Press(Key::A, 1, Modifiers::Ctrl);
    Press(Key::Delete);

    // Dragging from the start of the rich edit's first line to the middle of its second line.
    TypeInto(L"finding", L"first line\nsecond line");
    auto* finding = Edit(L"finding");
    const RECT rc = finding->GetPos();
    finding->SetSel(0, 0);
    const RECT first = finding->GetCaretPos();
    finding->SetSel(18, 18);
    const RECT middle = finding->GetCaretPos();
    finding->SetSel(22, 22);
    const RECT last = finding->GetCaretPos();
    ASSERT_TRUE(platform::MouseDown(m_host, first.left, (first.top + first.bottom) / 2));
    ASSERT_TRUE(platform::MouseMove(m_host, (rc.left + rc.right) / 2, rc.bottom + 40));
    ASSERT_TRUE(platform::MouseMove(m_host, middle.left, (middle.top + middle.bottom) / 2));
    ASSERT_TRUE(platform::MouseUp(m_host, middle.left, (middle.top + middle.bottom) / 2));
    EXPECT_EQ(finding->GetSelText().Str(), L"first line\nsecond ");
    // Shift and a click extend the selection; a plain click ends it.
    ASSERT_TRUE(Click(m_host, last.left, (last.top + last.bottom) / 2, Modifiers::Shift));
    EXPECT_EQ(finding->GetSelText().Str(), L"first line\nsecond line") << "the anchor stays where the drag began";
    ASSERT_TRUE(Click(m_host, middle.left, (middle.top + middle.bottom) / 2));
    EXPECT_EQ(finding->GetSelText().Str(), L"");
    EXPECT_EQ(finding->GetCaret(), 18u);
}

// Plain copy and paste through a host's clipboard is ReportSurfaceHostTest's; here what they
// must not lose or let in.
TEST_F(EditTest, CutPasteAndWhatAPasteKeepsOrRefuses)
{
    TypeInto(L"finding", L"Liver normal.\nSpleen normal.");
    Press(Key::Home, 1, Modifiers::Shift);
    Press(Key::X, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"finding"), L"Liver normal.\n");
    Press(Key::Home, 1, Modifiers::Ctrl);
    Press(Key::V, 1, Modifiers::Ctrl);
    Press(Key::V, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"finding"), L"Spleen normal.Spleen normal.Liver normal.\n");

    // Multi-line text pasted into a single-line field keeps every word, its breaks as spaces.
    Press(Key::A, 1, Modifiers::Ctrl);
    Press(Key::C, 1, Modifiers::Ctrl);
    ClickOn(L"line");
    Press(Key::V, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"line"), L"Spleen normal.Spleen normal.Liver normal. ");

    // The host's clipboard replaces the in-process one, with Windows line breaks.
    HostClipboard clipboard;
    clipboard.strText = L"from\r\nthe desktop";
    DuiLib::CPaintManagerUI::SetClipboard(&clipboard);
    ClickOn(L"finding");
    Press(Key::A, 1, Modifiers::Ctrl);
    Press(Key::V, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"finding"), L"from\nthe desktop");
    // Copy of nothing leaves the clipboard alone; text with other control characters is refused.
    Press(Key::C, 1, Modifiers::Ctrl);
    EXPECT_EQ(clipboard.nWrites, 0);
    clipboard.strText = std::wstring(L"bell\a");
    Press(Key::V, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"finding"), L"from\nthe desktop");
}

TEST_F(EditTest, LimitsFiltersAndReadOnlyRefuseWithoutChangingAnything)
{
    auto* line = Edit(L"line");
    line->SetMaxChar(5);
    line->SetCharFilter([](wchar_t c) { return c != L'\\'; });
    TypeInto(L"line", L"ab\\cdefg");
    EXPECT_EQ(Text(L"line"), L"abcde");
    EXPECT_EQ(m_window->Of(L"textchanged").size(), 5u);

    HostClipboard clipboard;
    DuiLib::CPaintManagerUI::SetClipboard(&clipboard);
    Press(Key::Left, 2, Modifiers::Shift);
    clipboard.strText = L"xyz";
    Press(Key::V, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"line"), L"abcde") << "a paste beyond the limit changes nothing";
    clipboard.strText = L"x\\";
    Press(Key::V, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"line"), L"abcde") << "a paste with a refused character changes nothing";
    clipboard.strText = L"XY";
    Press(Key::V, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"line"), L"abcXY");

    // Text set by the program is never cut, whatever the limit.
    line->SetText(L"a value longer than five");
    EXPECT_EQ(Text(L"line"), L"a value longer than five");

    line->SetReadOnly(true);
    Press(Key::Home, 1, Modifiers::Shift);
    Press(Key::X, 1, Modifiers::Ctrl);
    Press(Key::V, 1, Modifiers::Ctrl);
    Press(Key::Delete);
    EXPECT_EQ(Text(L"line"), L"a value longer than five");
    EXPECT_EQ(clipboard.strText, L"XY") << "a cut that cannot delete copies nothing either";
    Press(Key::End);
    Press(Key::Left, 2);
    Press(Key::Delete);
    Press(Key::Backspace);
    EXPECT_EQ(line->GetSelText().Str(), L"") << "refused deletions select nothing";
    EXPECT_EQ(line->GetCaret(), 22u);
    Press(Key::End);
    Press(Key::Home, 1, Modifiers::Shift);
    Press(Key::C, 1, Modifiers::Ctrl);
    EXPECT_EQ(clipboard.strText, L"a value longer than five") << "a read-only field still copies";

    // A clipboard that refuses the text makes a cut change nothing.
    line->SetReadOnly(false);
    clipboard.bRefuse = true;
    Press(Key::X, 1, Modifiers::Ctrl);
    EXPECT_EQ(Text(L"line"), L"a value longer than five");
}

TEST_F(EditTest, TheWheelAndPageKeysScrollTheRichEdit)
{
    std::wstring text;
    for (int i = 0; i < 60; ++i) {
        text += L"Paragraph " + std::to_wstring(i) + L"\n";
    }
    auto* finding = Edit(L"finding");
    finding->SetText(text.c_str());
    const POINT centre = m_window->Centre(L"finding");
    ASSERT_TRUE(platform::Wheel(m_host, centre.x, centre.y, -2));
    const int scrolled = finding->GetScrollPos().cy;
    ASSERT_TRUE(platform::Wheel(m_host, centre.x, centre.y, -1));
    EXPECT_EQ(finding->GetScrollPos().cy, scrolled * 3 / 2) << "each notch scrolls the same distance";
    ASSERT_TRUE(platform::Wheel(m_host, centre.x, centre.y, 10));
    EXPECT_EQ(finding->GetScrollPos().cy, 0) << "the wheel stops at the top";
    ASSERT_TRUE(platform::Wheel(m_host, centre.x, centre.y, -200));
    const RECT box = finding->GetPos();
    const int bottom = finding->GetScrollPos().cy;
    EXPECT_GT(bottom, 0);
    EXPECT_LT(bottom, 60 * 30) << "the wheel stops at the end of the text";

    // Dragging the scroll bar's thumb moves the view and leaves the caret alone.
    const size_t caretBefore = finding->GetCaret();
    const int barX = box.right - 4 - 4;
    ASSERT_TRUE(platform::MouseDown(m_host, barX, box.top + 6));
    EXPECT_EQ(finding->GetScrollPos().cy, 0);
    ASSERT_TRUE(platform::MouseMove(m_host, barX, box.bottom + 100));
    EXPECT_EQ(finding->GetScrollPos().cy, bottom);
    ASSERT_TRUE(platform::MouseMove(m_host, barX, (box.top + box.bottom) / 2));
    EXPECT_GT(finding->GetScrollPos().cy, bottom / 4);
    EXPECT_LT(finding->GetScrollPos().cy, bottom * 3 / 4);
    ASSERT_TRUE(platform::MouseUp(m_host, barX, (box.top + box.bottom) / 2));
    DeleteObject(Capture());
    EXPECT_GT(finding->GetScrollPos().cy, bottom / 4) << "the paint keeps the view where the bar put it";
    EXPECT_EQ(finding->GetCaret(), caretBefore);

    // The keyboard brings the focus with the caret at the end of the text, and the view follows.
    ClickOn(L"other");
    Press(Key::Tab, 1, Modifiers::Shift);
    ASSERT_EQ(m_window->m_pm.GetFocus(), finding);
    DeleteObject(Capture());
    EXPECT_GT(finding->GetScrollPos().cy, 0);
    EXPECT_LE(finding->GetCaretPos().bottom, box.bottom);
    // A new text is shown from its start.
    finding->SetText(text.c_str());
    ClickOn(L"other");
    DeleteObject(Capture());
    EXPECT_EQ(finding->GetScrollPos().cy, 0);

    // PageDown moves the caret a box lower; PageUp brings it back.
    ClickOn(L"finding");
    Press(Key::Home, 1, Modifiers::Ctrl);
    Press(Key::PageDown);
    const size_t afterPage = finding->GetCaret();
    EXPECT_GT(afterPage, 0u);
    const RECT caret = finding->GetCaretPos();
    EXPECT_GE(caret.top, box.top);
    EXPECT_LE(caret.bottom, box.bottom);
    Press(Key::PageDown, 1, Modifiers::Shift);
    EXPECT_GT(finding->GetCaret(), afterPage);
    Press(Key::PageUp, 2);
    EXPECT_EQ(finding->GetCaret(), 0u);
}

TEST_F(EditTest, ASingleLineFieldScrollsSidewaysToKeepTheCaretInView)
{
    auto* line = Edit(L"line");
    const RECT box = line->GetPos();
    TypeInto(L"line", L"Hepatic steatosis without focal lesion, gallbladder unremarkable");
    EXPECT_GT(line->GetScrollPos().cx, 0);
    RECT caret = line->GetCaretPos();
    EXPECT_GT(caret.left, box.left);
    EXPECT_LT(caret.left, box.right);
    Press(Key::Home);
    EXPECT_EQ(line->GetScrollPos().cx, 0);
    caret = line->GetCaretPos();
    EXPECT_GT(caret.left, box.left);
    Press(Key::End);
    EXPECT_LT(line->GetCaretPos().left, box.right);
}

TEST_F(EditTest, ATimerEndsWithTheControlThatSetIt)
{
    ClickOn(L"line");
    auto* root = dynamic_cast<DuiLib::CContainerUI*>(m_window->m_pm.GetRoot());
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->GetItemAt(0), Edit(L"line"));
    ASSERT_TRUE(root->RemoveAt(0));
    EXPECT_EQ(platform::AdvanceTime(5000), 0) << "the removed field's caret timer is gone";
    ClickOn(L"other");
    EXPECT_EQ(platform::AdvanceTime(500), 1);
}

// Only the printed page catches an edit that ignores the zoom otherwise: its text and caret scale
// with the page on the screen.
TEST_F(EditTest, ZoomScalesTheTextAndTheCaret)
{
    TypeInto(L"finding", L"Zoom");
    const RECT normal = Edit(L"finding")->GetCaretPos();
    const RECT box = Edit(L"finding")->GetPos();
    m_window->m_pm.SetZoomRatio(2.0f);
    m_window->m_pm.UpdateLayout();
    const RECT zoomed = Edit(L"finding")->GetCaretPos();
    const RECT zoomedBox = Edit(L"finding")->GetPos();
    EXPECT_NEAR(zoomed.bottom - zoomed.top, 2 * (normal.bottom - normal.top), 2);
    // Hinting rounds glyph advances at each size, so widths scale within a few per cent.
    EXPECT_NEAR(zoomed.left - zoomedBox.left, 2 * (normal.left - box.left), (normal.left - box.left) / 5);
}
