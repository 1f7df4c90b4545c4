// What a person does to a text field can be taken back and done again, through the keyboard and
// through a host's Edit menu on the embedding surface, and whatever a step leaves in the field is
// what the document holds and what the host heard last. The field is read as a person reads it
// out: select all, copy, and look at the host's clipboard.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"
#include "embed/ReportSurface.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator takes the place of malloc's; it tells what it holds through its own
// interface (sanitizer/allocator_interface.h, which not every compiler installs).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using host_test::Data;
using srctrl::EditCommand;
using srctrl::Key;
using srctrl::Modifiers;
using srctrl::MouseButton;
using srctrl::ReportSurface;

constexpr DWORD kPatientName = 0x00100010;
constexpr DWORD kStudyDate = 0x00080020;
constexpr DWORD kFinding = 0x07211001;
constexpr int kWidth = 600;
constexpr int kHeight = 400;
// The body-fields template at a zoom of 1: the attribute list's patient name (a display
// field), the Name field, the date field and the Finding box.
constexpr int kFieldX = 300;
constexpr int kDisplayY = 43;
constexpr int kNameY = 77;
constexpr int kDateY = 111;
constexpr int kFindingY = 230;

class Client : public srctrl::ReportSurfaceClient {
public:
    void RepaintNeeded(const srctrl::Rect&) override {}
    void TimerNeeded(int) override {}
    bool GetClipboardText(std::string& text) override
    {
        text = clipboard;
        return true;
    }
    bool SetClipboardText(const std::string& text) override
    {
        clipboard = text;
        return true;
    }
    bool GetSelectionText(std::string& text) override
    {
        text = selection;
        return !selection.empty();
    }
    bool SetSelectionText(const std::string& text) override
    {
        selection = text;
        return true;
    }

    std::string clipboard;
    std::string selection;
};

class EditHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_surface = ReportSurface::Create(&m_client, kWidth, kHeight);
        ASSERT_NE(m_surface, nullptr);
        m_ctrl = CreateReportCtrl();
        ASSERT_NE(m_ctrl->Create(m_surface->GetHWND(), 0, 0, kWidth, kHeight), nullptr);
        m_ctrl->SetFitMode(0);
        ASSERT_TRUE(m_ctrl->SetTemplateFile(Data("templates/body-fields.xml").c_str()));
        ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
        m_ctrl->AddCallback(&m_heard);
    }
    void TearDown() override
    {
        m_ctrl->RemoveCallback(&m_heard);
        m_surface.reset();
        ReleaseReportCtrl(m_ctrl);
    }

    void Click(int x, int y, MouseButton button = MouseButton::Left)
    {
        ASSERT_TRUE(m_surface->MousePress(x, y, button));
        m_surface->MouseRelease(x, y, button);
    }
    void Type(const char* text)
    {
        for (const char* c = text; *c != '\0'; ++c) {
            ASSERT_TRUE(m_surface->CommitText(std::string(1, *c).c_str()));
        }
    }
    std::wstring Value(DWORD tag)
    {
        std::wstring value;
        m_ctrl->GetReportValue(tag, value);
        return value;
    }
    // The focused field's text, as copying all of it gives it.
    std::string FieldText()
    {
        m_client.clipboard.clear();
        m_surface->KeyDown(Key::A, Modifiers::Ctrl);
        m_surface->KeyDown(Key::C, Modifiers::Ctrl);
        m_surface->KeyDown(Key::End);
        return m_client.clipboard;
    }
    // The field, the document and the host's last word on the Finding all say `expected` (the
    // document as DICOM keeps a text: without trailing spaces).
    void ExpectFinding(const std::string& expected, const std::string& step)
    {
        EXPECT_EQ(FieldText(), expected) << step;
        std::wstring wide = KMString::ToWide(expected);
        wide.erase(wide.find_last_not_of(L' ') + 1);
        EXPECT_TRUE(Value(kFinding) == wide) << step << ": the document holds the field's text";
        std::wstring heard;
        for (const auto& [tag, value] : m_heard.values) {
            if (tag == kFinding) {
                heard = value;
            }
        }
        EXPECT_TRUE(heard == wide) << step << ": the host heard the field's text last";
    }

    Client m_client;
    std::unique_ptr<ReportSurface> m_surface;
    IReportCtrl* m_ctrl = nullptr;
    host_test::ValueLog m_heard;
};

// How a change is made, what the Finding holds before and after it.
struct Edit {
    const char* name;
    const char* before;
    std::function<void(ReportSurface&, std::string& clipboard)> make;
    const char* after;
};

} // namespace

TEST_F(EditHistory, EveryKindOfEditIsUndoneAndRedoneAsOneStep)
{
    const Edit edits[] = {
        {"typed word", "Liver lesion ", [](ReportSurface& s, std::string&) {
             for (const char* c : {"s", "t", "a", "b", "l", "e"}) {
                 s.CommitText(c);
             }
         },
         "Liver lesion stable"},
        {"paste", "Liver ", [](ReportSurface& s, std::string& clip) {
             clip = "12 mm";
             s.KeyDown(Key::V, Modifiers::Ctrl);
         },
         "Liver 12 mm"},
        {"cut", "Liver lesion", [](ReportSurface& s, std::string&) {
             s.KeyDown(Key::Left, Modifiers::Ctrl | Modifiers::Shift);
             s.Edit(EditCommand::Cut);
         },
         "Liver "},
        {"delete", "Liver lesion", [](ReportSurface& s, std::string&) {
             s.KeyDown(Key::Home, Modifiers::Shift);
             s.KeyDown(Key::Delete);
         },
         ""},
        {"input method commit", "Liver ", [](ReportSurface& s, std::string&) {
             s.SetPreeditText("gan", 3);
             s.CommitText("肝脏");
         },
         "Liver 肝脏"},
        {"drag", "lesion Liver ", [](ReportSurface& s, std::string&) {
             // The first word, selected by a double click, is dragged to the end of the line.
             s.MouseDoubleClick(32, kFindingY - 52, MouseButton::Left);
             s.MouseRelease(32, kFindingY - 52, MouseButton::Left);
             s.MousePress(32, kFindingY - 52, MouseButton::Left);
             s.MouseMove(200, kFindingY - 52, true);
             s.MouseRelease(200, kFindingY - 52, MouseButton::Left);
         },
         "Liver lesion "},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, KMString::ToWide(edit.before).c_str()));
        Click(kFieldX, kFindingY);
        m_surface->KeyDown(Key::End, Modifiers::Ctrl);
        EXPECT_FALSE(m_surface->CanUndo()) << "a host's value leaves nothing to undo";
        edit.make(*m_surface, m_client.clipboard);
        ExpectFinding(edit.after, "after the edit");
        // The keyboard and the menu take the same way back and forth.
        ASSERT_TRUE(m_surface->KeyDown(Key::Z, Modifiers::Ctrl));
        ExpectFinding(edit.before, "undone");
        EXPECT_FALSE(m_surface->CanUndo()) << "the edit was one step";
        ASSERT_TRUE(m_surface->Redo());
        ExpectFinding(edit.after, "redone");
        ASSERT_TRUE(m_surface->Undo());
        ASSERT_TRUE(m_surface->KeyDown(Key::Y, Modifiers::Ctrl));
        ASSERT_TRUE(m_surface->KeyDown(Key::Z, Modifiers::Ctrl | Modifiers::Shift));
        EXPECT_EQ(FieldText(), edit.after) << "Ctrl+Y and Ctrl+Shift+Z redo; at the end they do nothing";
    }
}

TEST_F(EditHistory, TypingIsTakenBackWordByWord)
{
    Click(kFieldX, kFindingY);
    Type("Liver lesion, stable");
    for (const char* left : {"Liver lesion, ", "Liver ", ""}) {
        ASSERT_TRUE(m_surface->Undo());
        ExpectFinding(left, left);
    }
    EXPECT_FALSE(m_surface->Undo());
}

TEST_F(EditHistory, FindAndReplaceAllIsOneStep)
{
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, L"Cyst, cyst; Cystic cyst."));
    Click(kFieldX, kFindingY);
    EXPECT_TRUE(m_surface->Find("cyst", true, false));
    EXPECT_FALSE(m_surface->Find("kidney", false, false));
    EXPECT_EQ(m_surface->ReplaceAll("cyst", "lesion", false, true), 3) << "whole words of any case";
    ExpectFinding("lesion, lesion; Cystic lesion.", "replaced");
    ASSERT_TRUE(m_surface->Undo());
    ExpectFinding("Cyst, cyst; Cystic cyst.", "undone whole");
    ASSERT_TRUE(m_surface->Replace("Cyst", "Mass", true, true));
    ASSERT_TRUE(m_surface->Replace("Cyst", "Mass", true, true)) << "the first match was selected, now replaced";
    ExpectFinding("Mass, cyst; Cystic cyst.", "one replaced");
}

// A click on a display field, or on the page, takes the focus from the field being typed into:
// what is typed next goes nowhere, even into a field scrolled out of view.
TEST_F(EditHistory, TypingAfterAClickOnADisplayFieldChangesNoField)
{
    Click(kFieldX, kFindingY);
    Type("Liver");
    for (int y : {kDisplayY, 10}) {
        m_heard.values.clear();
        Click(kFieldX, y);
        EXPECT_TRUE(m_surface->GetCaretRect().IsEmpty()) << "no text field has the focus";
        m_surface->CommitText("Q");
        m_surface->KeyDown(Key::Backspace);
        EXPECT_TRUE(m_heard.values.empty());
        EXPECT_EQ(Value(kFinding), L"Liver");
    }
}

TEST_F(EditHistory, TheMiddleButtonPastesWhatWasSelected)
{
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, L"Liver lesion"));
    ASSERT_TRUE(m_ctrl->SetReportValue(kPatientName, L""));
    Click(kFieldX, kFindingY);
    m_surface->KeyDown(Key::End, Modifiers::Ctrl);
    m_surface->KeyDown(Key::Left, Modifiers::Ctrl | Modifiers::Shift);
    EXPECT_EQ(m_client.selection, "lesion") << "a selection becomes the primary selection";
    Click(kFieldX, kNameY, MouseButton::Middle);
    EXPECT_EQ(Value(kPatientName), L"lesion");
    EXPECT_TRUE(m_surface->Undo());
    EXPECT_EQ(Value(kPatientName), L"");
    // The right button brings the focus for a context menu; its commands act on that field.
    Click(kFieldX, kFindingY, MouseButton::Right);
    EXPECT_TRUE(m_surface->CanEdit(EditCommand::SelectAll));
    EXPECT_FALSE(m_surface->CanEdit(EditCommand::Undo)) << "the Finding was only set by the host";
}

TEST_F(EditHistory, ADateIsTypedOverWholeAndTakenBack)
{
    ASSERT_TRUE(m_ctrl->SetReportValue(kStudyDate, L"20240105"));
    Click(kFieldX, kNameY);
    ASSERT_TRUE(m_surface->KeyDown(Key::Tab));
    Type("19850312");
    ASSERT_TRUE(m_surface->KeyDown(Key::Tab));
    EXPECT_EQ(Value(kStudyDate), L"19850312") << "the focus came with the date selected";
    ASSERT_TRUE(m_surface->KeyDown(Key::Tab, Modifiers::Shift));
    m_surface->KeyDown(Key::A, Modifiers::Ctrl);
    Type("2");
    EXPECT_TRUE(m_surface->Undo());
    EXPECT_TRUE(m_surface->Undo());
    EXPECT_TRUE(m_surface->Undo());
    m_surface->KeyDown(Key::Tab);
    EXPECT_EQ(Value(kStudyDate), L"20240105") << "undone back to the host's date, told as leaving tells it";
}

// A long finding edited a thousand times holds the records of the edits, not a thousand copies.
TEST_F(EditHistory, HistoryOfALongFindingStaysSmall)
{
    std::wstring finding;
    while (finding.size() < 1000000) {
        finding += L"Line of a long finding, " + std::to_wstring(finding.size()) + L"\n";
    }
    // The document keeps the host's line feeds as DICOM's CR LF.
    std::wstring stored;
    for (const wchar_t c : finding) {
        stored += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
    }
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, finding.c_str()));
    Click(kFieldX, kFindingY);
    const auto allocated = [] {
#if defined(__SANITIZE_ADDRESS__)
        return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
        // Large blocks are mapped on their own, outside the arena's count.
        const struct mallinfo2 info = mallinfo2();
        return static_cast<long long>(info.uordblks + info.hblkhd);
#endif
    };
    Type("a");
    const long long before = allocated();
    for (int i = 0; i < 998; ++i) {
        // Each a step of its own: the caret moves between them.
        m_surface->KeyDown(i % 2 == 0 ? Key::Down : Key::Up);
        Type("x");
    }
    const long long grown = allocated() - before;
    std::printf("history of 1000 edits of a %zu-character finding: %lld bytes\n", finding.size(), grown);
    EXPECT_LT(grown, static_cast<long long>(finding.size() * sizeof(wchar_t)))
        << "less than one copy of the text for all the edits";
    while (m_surface->Undo()) {
    }
    EXPECT_TRUE(Value(kFinding) == stored) << "undone back to the host's text";
}

// The page fitted to the window's width shrinks with it; the field being typed into keeps its
// caret in view.
TEST_F(EditHistory, TheCaretStaysInViewWhenTheWindowChanges)
{
    m_ctrl->SetFitMode(2);
    Click(kFieldX, kFindingY);
    for (int line = 0; line < 12; ++line) {
        Type("A line of a finding that wraps when the window is narrow.");
        ASSERT_TRUE(m_surface->KeyDown(Key::Enter));
    }
    // The caret in the middle of the text, the view scrolled to it.
    for (int line = 0; line < 8; ++line) {
        ASSERT_TRUE(m_surface->KeyDown(Key::Up));
    }
    const int narrow = kWidth / 2;
    ASSERT_TRUE(m_surface->Resize(narrow, kHeight, 1.0));
    ASSERT_TRUE(m_ctrl->MoveWindow(0, 0, narrow, kHeight));
    std::vector<std::uint32_t> pixels(static_cast<size_t>(narrow) * kHeight);
    ASSERT_TRUE(m_surface->Paint(srctrl::Rect{0, 0, narrow, kHeight}, reinterpret_cast<unsigned char*>(pixels.data()),
                                 narrow, kHeight, narrow * 4));
    // The box, rows 166 to 288 of the page, at the zoom that fits the narrow window.
    const float zoom = m_ctrl->GetZoom();
    ASSERT_LT(zoom, 0.5f);
    const srctrl::Rect caret = m_surface->GetCaretRect();
    EXPECT_GE(caret.y, static_cast<int>(166 * zoom)) << "the caret is inside the Finding box";
    EXPECT_LE(caret.y + caret.height, static_cast<int>(288 * zoom) + 1);
}

// A selection shows while its field has the focus, in grey while a menu or a dialog has the
// host's focus, and not at all once another field has the focus.
TEST_F(EditHistory, ASelectionShowsOnlyWhereTheFocusIs)
{
    const auto count = [this](std::uint32_t color) {
        std::vector<std::uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
        m_surface->Paint(srctrl::Rect{0, 0, kWidth, kHeight}, reinterpret_cast<unsigned char*>(pixels.data()), kWidth, kHeight,
                         kWidth * 4);
        return std::count(pixels.begin() + kWidth * 166, pixels.begin() + kWidth * 288, color);
    };
    constexpr std::uint32_t kSelected = 0xFFB4D5FE;
    constexpr std::uint32_t kAway = 0xFFD8D8D8;
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, L"Liver lesion"));
    Click(kFieldX, kFindingY);
    m_surface->KeyDown(Key::A, Modifiers::Ctrl);
    EXPECT_GT(count(kSelected), 100);
    m_surface->LoseFocus();
    EXPECT_EQ(count(kSelected), 0);
    EXPECT_GT(count(kAway), 100) << "grey while the host's focus is elsewhere";
    m_surface->GainFocus();
    Click(kFieldX, kNameY);
    EXPECT_EQ(count(kSelected) + count(kAway), 0) << "gone once another field has the focus";
}
