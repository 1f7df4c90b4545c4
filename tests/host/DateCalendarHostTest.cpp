// The calendar of a date field, driven as a person drives it through a host window: what it
// shows, what a pick stores in the document, and what leaves the document alone.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

using host_test::Data;

constexpr DWORD kStudyDate = 0x00080020;
constexpr DWORD kVerifyingObserverName = 0x0040A075;
constexpr DWORD kVerifyingOrganization = 0x0040A027;

// The study date field of the body-fields template in a 600 x 400 window at a zoom of 1, and
// its calendar, which opens below it: a header with the month's and the year's buttons, a row of
// weekdays, then six rows of days in cells of 28 x 22 from (144, 196).
constexpr int kFieldX = 300;
constexpr int kFieldY = 111;
constexpr int kDropButtonX = 571;
const RECT kCalendar{140, 124, 344, 332};
const POINT kPreviousMonth{158, 141};
const POINT kNextMonth{326, 141};
const POINT kPreviousYear{158, 164};
const POINT kNextYear{326, 164};
const POINT kNameField{300, 77};
constexpr DWORD kChosenColor = 0xFF3C78D8;

// The cell of a day in its month's grid; weeks start on Monday.
POINT DayCell(int year, int month, int day)
{
    std::tm first{};
    first.tm_year = year - 1900;
    first.tm_mon = month - 1;
    first.tm_mday = 1;
    first.tm_hour = 12;
    timegm(&first);
    const int index = (first.tm_wday + 6) % 7 + day - 1;
    return POINT{144 + index % 7 * 28 + 14, 196 + index / 7 * 22 + 11};
}

class DateCalendar : public host_test::ReportHost {
protected:
    void SetUp() override
    {
        Open(600, 400, "templates/body-fields.xml");
        m_closed = Pixels(kCalendar);
    }

    std::vector<DWORD> Pixels(const RECT& rc) const { return host_test::Pixels(m_host, rc); }
    bool CalendarShown() const { return Pixels(kCalendar) != m_closed; }
    // How many pixels of a day's cell have the colour of the chosen day.
    int ChosenPixels(int year, int month, int day) const
    {
        const POINT centre = DayCell(year, month, day);
        int chosen = 0;
        for (DWORD pixel : Pixels(RECT{centre.x - 13, centre.y - 10, centre.x + 13, centre.y + 10})) {
            chosen += pixel == kChosenColor ? 1 : 0;
        }
        return chosen;
    }

    bool Click(POINT pt) { return platform::Click(m_host, pt.x, pt.y); }
    void OpenByButton() { ASSERT_TRUE(platform::Click(m_host, kDropButtonX, kFieldY)); }
    bool HeardDate() const
    {
        return std::any_of(m_heard.values.begin(), m_heard.values.end(), [](const auto& v) { return v.first == kStudyDate; });
    }

    std::vector<DWORD> m_closed;
};

} // namespace

TEST_F(DateCalendar, APickedDayIsTheFieldsDateAndReachesTheDocument)
{
    ASSERT_TRUE(m_ctrl->SetReportValue(kStudyDate, L"20231215"));
    m_heard.values.clear();
    OpenByButton();
    ASSERT_TRUE(CalendarShown());
    EXPECT_GT(ChosenPixels(2023, 12, 15), 200) << "the field's date is highlighted";
    EXPECT_EQ(ChosenPixels(2023, 12, 14), 0);

    m_ctrl->GetActiveReport()->SetModified(false);
    ASSERT_TRUE(Click(DayCell(2023, 12, 5)));
    EXPECT_FALSE(CalendarShown()) << "a pick closes the calendar";
    EXPECT_FALSE(HeardDate()) << "like typing, a pick is told when the focus leaves";
    EXPECT_TRUE(m_ctrl->GetActiveReport()->IsModified()) << "a host that asks before closing sees the pick";
    // The field kept the focus, and its text is the picked date.
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::Backspace));
    ASSERT_TRUE(platform::TypeText(m_host, L"7"));
    ASSERT_TRUE(Click(kNameField));
    EXPECT_TRUE(HeardDate());
    EXPECT_EQ(Value(kStudyDate), L"20231207");

    // Alt+Down opens it too; the next month of December is January of the next year, and a
    // pick is in the document as soon as the host reads it.
    ASSERT_TRUE(platform::Click(m_host, kFieldX, kFieldY));
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::Down, platform::Modifiers::Alt));
    ASSERT_TRUE(CalendarShown());
    ASSERT_TRUE(Click(kNextMonth));
    EXPECT_EQ(ChosenPixels(2024, 1, 7), 0) << "the chosen day belongs to December";
    ASSERT_TRUE(Click(DayCell(2024, 1, 1)));
    EXPECT_EQ(Value(kStudyDate), L"20240101");
}

TEST_F(DateCalendar, MonthsTurnAcrossYearsAndKnowLeapDays)
{
    // From the field's date, a month or a year on or back, or to a typed year, then a pick.
    // February 2023 has no 29th: its cell is empty, a click there keeps the calendar open and
    // the date, and the 28th is picked.
    struct Turn {
        const wchar_t* from;
        POINT button;
        const wchar_t* typedYear;  // typed instead of a button
        int year, month, day;
        const wchar_t* picked;
    };
    const Turn turns[] = {
        {L"20240131", kNextMonth, nullptr, 2024, 2, 29, L"20240229"},
        {L"20240110", kPreviousMonth, nullptr, 2023, 12, 31, L"20231231"},
        {L"20240110", kPreviousYear, nullptr, 2023, 1, 20, L"20230120"},
        {L"20240229", kNextYear, nullptr, 2025, 2, 28, L"20250228"},
        {L"20240610", {}, L"1985", 1985, 6, 3, L"19850603"},
        {L"20240610", {}, L"812\r", 812, 6, 3, L"08120603"},
        {L"20230315", kPreviousMonth, nullptr, 2023, 2, 29, nullptr},
    };
    for (const Turn& turn : turns) {
        SCOPED_TRACE(testing::Message() << turn.year << "-" << turn.month << "-" << turn.day);
        ASSERT_TRUE(m_ctrl->SetReportValue(kStudyDate, turn.from));
        OpenByButton();
        ASSERT_TRUE(turn.typedYear != nullptr ? platform::TypeText(m_host, turn.typedYear) : Click(turn.button));
        ASSERT_TRUE(Click(DayCell(turn.year, turn.month, turn.day)));
        EXPECT_EQ(CalendarShown(), turn.picked == nullptr);
        EXPECT_EQ(Value(kStudyDate), turn.picked != nullptr ? turn.picked : turn.from);
    }
    ASSERT_TRUE(Click(DayCell(2023, 2, 28)));
    EXPECT_EQ(Value(kStudyDate), L"20230228");
}

TEST_F(DateCalendar, EscapeAndClicksElsewhereCloseItWithoutAChange)
{
    ASSERT_TRUE(m_ctrl->SetReportValue(kStudyDate, L"20231215"));
    m_heard.values.clear();
    OpenByButton();
    ASSERT_TRUE(Click(kNextMonth));
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::Escape));
    EXPECT_FALSE(CalendarShown());

    OpenByButton();
    EXPECT_GT(ChosenPixels(2023, 12, 15), 200) << "it opens on the field's month again";
    ASSERT_TRUE(platform::Click(m_host, kDropButtonX, kFieldY));
    EXPECT_FALSE(CalendarShown()) << "the button closes it";

    OpenByButton();
    ASSERT_TRUE(Click(kNameField));
    EXPECT_FALSE(CalendarShown());
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::Down, platform::Modifiers::Alt));
    EXPECT_FALSE(CalendarShown()) << "the click outside went on to the name field";
    EXPECT_EQ(Value(kStudyDate), L"20231215");
    EXPECT_FALSE(HeardDate());
}

TEST_F(DateCalendar, DisabledAndVerifiedFieldsNeverOpenIt)
{
    // Disabled fields look different, under the calendar too.
    m_report->EnableUI(false);
    const std::vector<DWORD> disabled = Pixels(kCalendar);
    OpenByButton();
    EXPECT_EQ(Pixels(kCalendar), disabled);

    m_report->EnableUI(true);
    OpenByButton();
    ASSERT_TRUE(CalendarShown());
    m_report->EnableUI(false);
    EXPECT_EQ(Pixels(kCalendar), disabled) << "disabling the field closes it";

    m_report->EnableUI(true);
    ASSERT_TRUE(m_report->SetValue(kVerifyingObserverName, L"Doe^John"));
    ASSERT_TRUE(m_report->SetValue(kVerifyingOrganization, L"General Hospital"));
    m_report->VerifyDocument();
    ASSERT_TRUE(m_report->IsVerified());
    m_report->EnableUI(true);
    // A click on the read-only field takes the focus from where it was, and gives it nowhere.
    ASSERT_TRUE(platform::Click(m_host, kFieldX, kFieldY));
    const std::vector<DWORD> verified = Pixels(kCalendar);
    OpenByButton();
    platform::PressKey(m_host, platform::Key::Down, platform::Modifiers::Alt);
    EXPECT_EQ(Pixels(kCalendar), verified);
}

TEST_F(DateCalendar, ATextThatIsNoDateOpensOnTodaysMonth)
{
    Retype(kFieldX, kFieldY, L"2023-02-29");
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::Down, platform::Modifiers::Alt));
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    ASSERT_NE(localtime_r(&now, &today), nullptr);
    ASSERT_TRUE(Click(DayCell(today.tm_year + 1900, today.tm_mon + 1, 1)));
    wchar_t expected[16];
    std::swprintf(expected, 16, L"%04d%02d01", today.tm_year + 1900, today.tm_mon + 1);
    EXPECT_EQ(Value(kStudyDate), expected);
}
