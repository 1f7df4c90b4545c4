// The control on a host's screen through the embedding surface, driven as a toolkit drives it:
// the host repaints only the rectangles it is told of, forwards a person's input, and runs the
// timers when asked. The oracle for every repaint is a full repaint of the same surface.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"
#include "embed/ReportSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

using host_test::Data;

using srctrl::Cursor;
using srctrl::Key;
using srctrl::Modifiers;
using srctrl::MouseButton;
using srctrl::Rect;
using srctrl::ReportSurface;

constexpr DWORD kBodyPart = 0x00180015;
constexpr DWORD kStudyDate = 0x00080020;
constexpr DWORD kFinding = 0x07211001;
constexpr int kWidth = 600;
constexpr int kHeight = 400;
// Fields of the body-fields template at a zoom of 1.
constexpr int kNameY = 77;
constexpr int kComboArrowX = 572;
constexpr int kComboY = 145;
constexpr int kDateY = 111;
constexpr int kDateButtonX = 571;
// The next-month button and a day of the date field's calendar, which opens below the field.
constexpr int kNextMonthX = 326;
constexpr int kNextMonthY = 141;
constexpr int kCalendarDayX = 242;
constexpr int kCalendarDayY = 273;
constexpr int kFindingX = 300;
constexpr int kFindingY = 230;
const Rect kFindingBox{20, 166, 560, 122};

// What a host toolkit hears from the surface.
class Client : public srctrl::ReportSurfaceClient {
public:
    void RepaintNeeded(const Rect& rect) override
    {
        EXPECT_FALSE(closed) << "no call reaches a host after the surface is gone";
        dirty.push_back(rect);
    }
    void TimerNeeded(int milliseconds) override { timer = milliseconds; }
    void CursorChanged(Cursor shape) override { cursor = shape; }
    void CaretChanged(const Rect& rect) override { caret = rect; }

    std::vector<Rect> dirty;
    int timer = -2;
    Cursor cursor = Cursor::Arrow;
    Rect caret;
    bool closed = false;
};

// A host's buffer of the whole surface.
struct Buffer {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    explicit Buffer(const ReportSurface& surface)
        : width(surface.GetPixelWidth()), height(surface.GetPixelHeight()),
          pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF00FF00)
    {
    }
    bool Paint(ReportSurface& surface, const Rect& rect)
    {
        return surface.Paint(rect, reinterpret_cast<unsigned char*>(pixels.data()), width, height, width * 4);
    }
};

// A finding of `count` numbered lines.
std::wstring Lines(int count)
{
    std::wstring lines;
    for (int i = 0; i < count; ++i) {
        lines += L"Line " + std::to_wstring(i) + L"\n";
    }
    return lines;
}

bool Contains(const Rect& outer, const Rect& inner)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

class SurfaceHost : public ::testing::Test {
protected:
    // The surface on the body-fields template (nullptr: the default one) with a report.
    void Open(double ratio = 1.0, const char* templateFile = "templates/body-fields.xml")
    {
        m_surface = ReportSurface::Create(&m_client, kWidth, kHeight, ratio);
        ASSERT_NE(m_surface, nullptr);
        m_ctrl = CreateReportCtrl();
        ASSERT_NE(m_ctrl->Create(m_surface->GetHWND(), 0, 0, kWidth, kHeight), nullptr);
        m_ctrl->SetFitMode(0);
        if (templateFile != nullptr) {
            ASSERT_TRUE(m_ctrl->SetTemplateFile(Data(templateFile).c_str()));
        }
        ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
    }
    void TearDown() override
    {
        m_surface.reset();
        m_client.closed = true;
        ReleaseReportCtrl(m_ctrl);
    }

    std::wstring Value(DWORD tag)
    {
        std::wstring value;
        m_ctrl->GetReportValue(tag, value);
        return value;
    }

    // A fresh buffer of the whole surface, fully painted.
    Buffer Full()
    {
        Buffer full(*m_surface);
        EXPECT_TRUE(full.Paint(*m_surface, Rect{0, 0, kWidth, kHeight}));
        return full;
    }

    // Paints what the host was told to repaint into `shown`, as a toolkit's paint event does.
    void Repaint(Buffer& shown)
    {
        for (const Rect& rect : m_client.dirty) {
            ASSERT_TRUE(shown.Paint(*m_surface, rect));
        }
        m_client.dirty.clear();
    }

    bool Click(int x, int y)
    {
        const bool pressed = m_surface->MousePress(x, y, MouseButton::Left);
        m_surface->MouseRelease(x, y, MouseButton::Left);
        return pressed;
    }

    Client m_client;
    std::unique_ptr<ReportSurface> m_surface;
    IReportCtrl* m_ctrl = nullptr;
};

} // namespace

TEST_F(SurfaceHost, PaintsWhatTheHeadlessCaptureShowsAtEveryRatio)
{
    Open();
    Buffer buffer = Full();
    const std::vector<DWORD> shot = host_test::Pixels(m_surface->GetHWND(), RECT{0, 0, kWidth, kHeight});
    ASSERT_EQ(shot.size(), buffer.pixels.size());
    EXPECT_TRUE(std::equal(shot.begin(), shot.end(), buffer.pixels.begin()));

    ASSERT_TRUE(m_surface->Resize(kWidth, kHeight, 2.0));
    EXPECT_EQ(m_surface->GetPixelWidth(), 2 * kWidth);
    EXPECT_EQ(m_surface->GetPixelHeight(), 2 * kHeight);
    EXPECT_FALSE(buffer.Paint(*m_surface, Rect{0, 0, kWidth, kHeight})) << "a buffer of the old size is refused";
    Buffer sharp(*m_surface);
    ASSERT_TRUE(sharp.Paint(*m_surface, Rect{0, 0, kWidth, kHeight}));
    // Text drawn at twice the pixels has more distinct edge pixels than the old frame scaled up.
    size_t greys1 = 0;
    size_t greys2 = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t a = buffer.pixels[static_cast<size_t>(y) * kWidth + x];
            greys1 += a != 0xFFFFFFFF && a != 0xFF000000 ? 4 : 0;
            for (int d = 0; d < 4; ++d) {
                const std::uint32_t b = sharp.pixels[static_cast<size_t>(2 * y + d / 2) * 2 * kWidth + 2 * x + d % 2];
                greys2 += b != 0xFFFFFFFF && b != 0xFF000000 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(greys2, greys1 / 2) << "the page is painted at the device's resolution, not blown up";
}

// Every change a person or the host makes reaches the host as rectangles to repaint: a buffer
// kept up to date by repainting only those matches a full repaint after each step.
TEST_F(SurfaceHost, RepaintRectanglesCoverEveryChange)
{
    Open();
    Buffer shown = Full();
    m_client.dirty.clear();
    const auto check = [&](const char* step) {
        Repaint(shown);
        Buffer full = Full();
        const auto stale = std::mismatch(full.pixels.begin(), full.pixels.end(), shown.pixels.begin()).first;
        const long at = stale - full.pixels.begin();
        EXPECT_TRUE(stale == full.pixels.end()) << "stale pixels after " << step << " from (" << at % kWidth << ","
                                                << at / kWidth << ")";
        // Each step is judged on its own.
        shown = full;
    };
    ASSERT_TRUE(Click(kFindingX, kFindingY));
    check("a click into the finding");
    ASSERT_TRUE(m_surface->CommitText("Nodule in the left upper lobe"));
    check("typing");
    for (Key key : {Key::Enter, Key::Left, Key::Backspace}) {
        ASSERT_TRUE(m_surface->KeyDown(key));
        m_surface->KeyUp(key);
        check("a key");
    }
    ASSERT_TRUE(m_surface->KeyDown(Key::Home, Modifiers::Shift));
    check("selecting with Shift+Home");
    ASSERT_TRUE(m_surface->MouseDoubleClick(60, 180, MouseButton::Left));
    m_surface->MouseRelease(60, 180, MouseButton::Left);
    check("a double click");
    ASSERT_TRUE(m_surface->SetPreeditText("fei", 3));
    check("a pre-edit");
    ASSERT_TRUE(m_surface->CommitText("肺"));
    check("a commit");
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, Lines(40).c_str()));
    check("the host setting the finding");
    EXPECT_FALSE(m_surface->Wheel(kFindingX, kNameY, -240)) << "a field that cannot scroll leaves the wheel to the host";
    EXPECT_FALSE(m_surface->Wheel(kFindingX, kFindingY, -240)) << "the caret's end of the text is in view already";
    ASSERT_TRUE(m_surface->Wheel(kFindingX, kFindingY, 240));
    check("the wheel");
    ASSERT_TRUE(Click(kComboArrowX, kComboY));
    check("opening a drop list");
    ASSERT_TRUE(Click(300, kComboY + 13 + 26 + 13));
    check("picking from the drop list");
    EXPECT_EQ(Value(kBodyPart), L"HEAD");
    const std::wstring studyDate = Value(kStudyDate);
    ASSERT_TRUE(Click(kDateButtonX, kDateY));
    check("opening the calendar");
    ASSERT_TRUE(Click(kNextMonthX, kNextMonthY));
    check("moving to the next month");
    ASSERT_TRUE(Click(kCalendarDayX, kCalendarDayY));
    check("picking a day");
    EXPECT_NE(Value(kStudyDate), studyDate);
    ASSERT_TRUE(Click(300, kNameY));
    ASSERT_TRUE(m_surface->CommitText("Doe"));
    check("typing a name");
    m_surface->LoseFocus();
    check("the host's focus leaving");
    m_surface->GainFocus();
    check("the host's focus returning");
    std::this_thread::sleep_for(std::chrono::milliseconds(520));
    m_surface->RunTimers();
    check("the caret's blink");
    m_ctrl->SetZoom(1.25f);
    check("zooming");
    ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
    check("a second report");
    m_ctrl->ActivateReportAt(0);
    check("switching back");
    m_ctrl->CloseReportAt(1);
    check("closing a report");
}

TEST_F(SurfaceHost, AKeystrokeRepaintsTheFieldOnly)
{
    Open();
    ASSERT_TRUE(Click(kFindingX, kFindingY));
    m_client.dirty.clear();
    ASSERT_TRUE(m_surface->CommitText("x"));
    ASSERT_FALSE(m_client.dirty.empty());
    for (const Rect& rect : m_client.dirty) {
        EXPECT_TRUE(Contains(kFindingBox, rect)) << rect.x << "," << rect.y << " " << rect.width << "x" << rect.height;
    }
}

TEST_F(SurfaceHost, InputMethodTextIsShownUntilCommittedAndThenStored)
{
    Open();
    ASSERT_TRUE(Click(kFindingX, kFindingY));
    ASSERT_TRUE(m_surface->CommitText("Size:"));
    const Buffer before = Full();
    ASSERT_TRUE(m_surface->SetPreeditText("fei jie jie", 11));
    EXPECT_FALSE(Full().pixels == before.pixels) << "the pre-edit is shown";
    EXPECT_EQ(Value(kFinding), L"Size:") << "and is not part of the document";
    ASSERT_TRUE(m_surface->CommitText("肺结节"));
    EXPECT_EQ(Value(kFinding), L"Size:肺结节");
    EXPECT_FALSE(m_surface->CommitText("\xC3\x28")) << "invalid UTF-8";
    EXPECT_FALSE(m_surface->CommitText(nullptr));
    EXPECT_EQ(Value(kFinding), L"Size:肺结节");
}

TEST_F(SurfaceHost, CopyAndPasteGoThroughTheHostsClipboard)
{
    Open();
    ASSERT_TRUE(Click(kFindingX, kFindingY));
    ASSERT_TRUE(m_surface->CommitText("Ground-glass 磨玻璃"));
    ASSERT_TRUE(m_surface->KeyDown(Key::A, Modifiers::Ctrl));
    ASSERT_TRUE(m_surface->KeyDown(Key::C, Modifiers::Ctrl));
    std::string copied;
    ASSERT_TRUE(m_client.GetClipboardText(copied));
    EXPECT_EQ(copied, "Ground-glass 磨玻璃");
    ASSERT_TRUE(m_client.SetClipboardText("opacity"));
    ASSERT_TRUE(m_surface->KeyDown(Key::End));
    ASSERT_TRUE(m_surface->CommitText(" "));
    ASSERT_TRUE(m_surface->KeyDown(Key::V, Modifiers::Ctrl));
    EXPECT_EQ(Value(kFinding), L"Ground-glass 磨玻璃 opacity");
}

TEST_F(SurfaceHost, CursorCaretTimersAndFocusReachTheHost)
{
    Open();
    m_surface->MouseMove(kFindingX, kFindingY, false);
    EXPECT_EQ(m_client.cursor, Cursor::IBeam);
    m_surface->MouseMove(5, 5, false);
    EXPECT_EQ(m_client.cursor, Cursor::Arrow);

    EXPECT_FALSE(m_surface->KeyDown(Key::Left)) << "no key input before the surface has the focus";
    ASSERT_TRUE(Click(kFindingX, kFindingY));
    EXPECT_TRUE(Contains(kFindingBox, m_client.caret)) << "the caret, for the input method's window";
    EXPECT_GT(m_client.caret.height, 0);
    EXPECT_GT(m_client.timer, 0) << "the caret blinks on the host's clock";
    EXPECT_LE(m_client.timer, 500);

    m_client.timer = -2;
    m_surface->RunTimers();
    EXPECT_GT(m_client.timer, 0) << "a host's timer that fired early hears again when to come back";

    ASSERT_TRUE(m_surface->KeyDown(Key::Tab, Modifiers::Shift));
    ASSERT_TRUE(m_surface->KeyDown(Key::Tab));
    EXPECT_TRUE(Contains(kFindingBox, m_client.caret)) << "a field reached by Tab tells its caret, not the window's corner";

    m_surface->LoseFocus();
    EXPECT_TRUE(m_client.caret.IsEmpty());
    EXPECT_EQ(m_client.timer, -1) << "no timer runs while the surface is away";
    EXPECT_FALSE(m_surface->CommitText("lost"));
    m_surface->GainFocus();
    EXPECT_TRUE(m_surface->CommitText("kept"));
    EXPECT_EQ(Value(kFinding), L"kept") << "the field that had the focus has it again";
    EXPECT_FALSE(m_client.caret.IsEmpty());
}

// A page taller than the window scrolls: with the wheel where no field takes it, and to a field
// that Tab reaches below the view, so that nobody types into a field they cannot see.
TEST_F(SurfaceHost, APageTallerThanTheWindowScrollsToWhatIsUsed)
{
    Open(1.0, nullptr);
    const Buffer top = Full();

    EXPECT_FALSE(m_surface->Wheel(300, 60, 120)) << "the top of the page is shown already";
    ASSERT_TRUE(m_surface->Wheel(300, 60, -120)) << "the page's title takes no wheel: the page scrolls";
    EXPECT_FALSE(Full().pixels == top.pixels);
    for (int delta : {-120, 120}) {
        for (int i = 0; i < 40; ++i) {
            m_surface->Wheel(300, 60, delta);
        }
        EXPECT_FALSE(m_surface->Wheel(300, 60, delta)) << "and stops at the page's ends";
    }

    // The default page's Finding lies below a 400-pixel window at a zoom of 1.
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, L"Seen."));
    ASSERT_TRUE(Click(300, 200));
    for (int i = 0; i < 30 && m_client.caret.IsEmpty(); ++i) {
        m_surface->KeyDown(Key::Tab);
    }
    ASSERT_FALSE(m_client.caret.IsEmpty()) << "Tab reached a text field";
    EXPECT_GE(m_client.caret.y, 0);
    EXPECT_LE(m_client.caret.y + m_client.caret.height, kHeight) << "the field the keys go to is in view";

    m_ctrl->GetActiveReport()->SetValue(0x0040A075, L"Roe^Anna");
    m_ctrl->GetActiveReport()->SetValue(0x0040A027, L"General Hospital");
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, Lines(60).c_str()));
    m_ctrl->GetActiveReport()->VerifyDocument();
    ASSERT_TRUE(m_ctrl->GetActiveReport()->IsVerified());
    m_ctrl->SetFitMode(1);
    EXPECT_TRUE(m_surface->Wheel(kWidth / 2, 250, -120)) << "a verified report's long finding can still be read to its end";
}

// The host's focus returns to the field that had it only while that field's report is shown:
// keys must never reach another patient's hidden report.
TEST_F(SurfaceHost, FocusNeverReturnsToAHiddenReport)
{
    Open();
    ASSERT_TRUE(Click(kFindingX, kFindingY));
    ASSERT_TRUE(m_surface->CommitText("first"));
    m_surface->LoseFocus();
    ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
    m_surface->GainFocus();
    m_surface->CommitText("second");
    EXPECT_EQ(Value(kFinding), L"") << "the shown report got nothing it was not clicked into";
    m_ctrl->ActivateReportAt(0);
    EXPECT_EQ(Value(kFinding), L"first") << "and the hidden one nothing either";
}

TEST_F(SurfaceHost, BadCallsFailCleanly)
{
    Client client;
    EXPECT_EQ(ReportSurface::Create(nullptr, 10, 10), nullptr);
    EXPECT_EQ(ReportSurface::Create(&client, -1, 10), nullptr);
    EXPECT_EQ(ReportSurface::Create(&client, 10, 10, 0.0), nullptr);
    EXPECT_EQ(ReportSurface::Create(&client, 10, 10, 100.0), nullptr);

    Open(1.5);
    Buffer buffer(*m_surface);
    EXPECT_EQ(buffer.width, 900);
    unsigned char* data = reinterpret_cast<unsigned char*>(buffer.pixels.data());
    EXPECT_FALSE(m_surface->Paint(Rect{0, 0, 10, 10}, nullptr, buffer.width, buffer.height, buffer.width * 4));
    EXPECT_FALSE(m_surface->Paint(Rect{0, 0, 10, 10}, data, buffer.width - 1, buffer.height, buffer.width * 4));
    EXPECT_FALSE(m_surface->Paint(Rect{0, 0, 10, 10}, data, buffer.width, buffer.height, buffer.width * 4 - 2));
    EXPECT_TRUE(m_surface->Paint(Rect{-50, -50, 20, 20}, data, buffer.width, buffer.height, buffer.width * 4))
        << "a rectangle outside paints nothing";
    EXPECT_EQ(buffer.pixels[0], 0xFF00FF00u);
    EXPECT_TRUE(m_surface->Paint(Rect{590, 390, 1000000, 1000000}, data, buffer.width, buffer.height, buffer.width * 4))
        << "and one reaching past the edge is clipped to it";

    EXPECT_FALSE(m_surface->Resize(-5, 10, 1.0));
    EXPECT_EQ(m_surface->GetWidth(), kWidth);
    EXPECT_FALSE(m_surface->MousePress(-1, 5, MouseButton::Left));
    EXPECT_FALSE(m_surface->MousePress(5, kHeight, MouseButton::Left));
    EXPECT_FALSE(m_surface->MousePress(-1, 5, MouseButton::Right));
    EXPECT_FALSE(m_surface->Wheel(50, 50, 1 << 20));
}
