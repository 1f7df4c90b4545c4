#include "platform/kmdicom/KMDcmConvert.h"
#include "platform/kmdicom/KMDcmTags.h"

#include <gtest/gtest.h>

TEST(KMDcmConvert, DatesMustBeRealCalendarDays)
{
    KMDcmDate date;
    ASSERT_TRUE(KMDcmConvert::Convert("20240229", date));
    EXPECT_EQ(date.nYear, 2024);
    EXPECT_EQ(date.nMonth, 2);
    EXPECT_EQ(date.nDay, 29);
    ASSERT_TRUE(KMDcmConvert::Convert("20000229 ", date)) << "a padded value";

    for (const char* bad : {"20230229", "19000229", "20241301", "20240431", "20240100", "00001231", "2024-01-01",
                            "2024011", "202401011", "", "abcdefgh"}) {
        KMDcmDate kept{1999, 12, 31};
        EXPECT_FALSE(KMDcmConvert::Convert(bad, kept)) << bad;
        EXPECT_EQ(kept.nYear, 1999) << "a failed read leaves the date";
    }
    EXPECT_FALSE(KMDcmConvert::Convert(static_cast<const char*>(nullptr), date));

    KMString text("stale");
    ASSERT_TRUE(KMDcmConvert::Convert(KMDcmDate{7, 3, 9}, text));
    EXPECT_STREQ(text.c_str(), "00070309");
    EXPECT_FALSE(KMDcmConvert::Convert(KMDcmDate{2023, 2, 29}, text));
    EXPECT_STREQ(text.c_str(), "");
}

TEST(KMDcmConvert, AgesSplitIntoNumberAndUnitAndBack)
{
    KMDcmAge age;
    KMString number;
    KMString unit;
    ASSERT_TRUE(KMDcmConvert::Convert("045Y", age));
    ASSERT_TRUE(KMDcmConvert::Convert(age, number, unit));
    EXPECT_STREQ(number.c_str(), "45");
    EXPECT_STREQ(unit.c_str(), "Y");

    ASSERT_TRUE(KMDcmConvert::Convert("000D", age));
    ASSERT_TRUE(KMDcmConvert::Convert(age, number, unit));
    EXPECT_STREQ(number.c_str(), "0");
    EXPECT_STREQ(unit.c_str(), "D");

    KMString text;
    ASSERT_TRUE(KMDcmConvert::Convert(" 7 ", "W", age));
    ASSERT_TRUE(KMDcmConvert::Convert(age, text));
    EXPECT_STREQ(text.c_str(), "007W");
    ASSERT_TRUE(KMDcmConvert::Convert("0012", "M", age));
    ASSERT_TRUE(KMDcmConvert::Convert(age, text));
    EXPECT_STREQ(text.c_str(), "012M");
}

TEST(KMDcmConvert, UnreadableAgesBecomeTheEmptyAge)
{
    KMDcmAge age;
    KMString number("stale");
    KMString unit("stale");
    KMString text("stale");
    for (const char* bad : {"45Y", "045y", "045X", "0450Y", "", "04 Y"}) {
        ASSERT_TRUE(KMDcmConvert::Convert("030Y", age));
        EXPECT_FALSE(KMDcmConvert::Convert(bad, age)) << bad;
        EXPECT_FALSE(KMDcmConvert::Convert(age, number, unit)) << bad;
        EXPECT_STREQ(number.c_str(), "");
        EXPECT_STREQ(unit.c_str(), "");
    }
    EXPECT_FALSE(KMDcmConvert::Convert(static_cast<const char*>(nullptr), age));

    // A number without a unit, as an age pair reads when no unit is chosen.
    for (const auto& pair : {std::make_pair("45", ""), std::make_pair("", "Y"), std::make_pair("1000", "Y"),
                             std::make_pair("-3", "Y"), std::make_pair("4 5", "Y"), std::make_pair("45", "YY")}) {
        ASSERT_TRUE(KMDcmConvert::Convert("030Y", age));
        EXPECT_FALSE(KMDcmConvert::Convert(pair.first, pair.second, age)) << pair.first << "/" << pair.second;
        EXPECT_FALSE(KMDcmConvert::Convert(age, text));
        EXPECT_STREQ(text.c_str(), "");
    }
    EXPECT_FALSE(KMDcmConvert::Convert(nullptr, nullptr, age));
}

TEST(KMDcmConvert, PersonNamesReadAsPeopleWriteThem)
{
    const struct {
        const wchar_t* stored;
        const wchar_t* shown;
    } cases[] = {
        {L"Doe^John", L"John Doe"},
        {L"Doe^John^Q^Dr.^Jr.", L"Dr. John Q Doe, Jr."},
        {L"^^^^", L""},
        {L"Doe^^^^", L"Doe"},
        {L"Yamada^Tarou=山田^太郎", L"Tarou Yamada (山田 太郎)"},
        {L"=山田^太郎=やまだ^たろう", L"山田 太郎 (やまだ たろう)"},
        {L"Yamada^Tarou=山田^太郎=やまだ^たろう", L"Tarou Yamada (山田 太郎, やまだ たろう)"},
        // Chinese and Korean names kept in the alphabetic group, as many systems keep them.
        {L"王^小东", L"王 小东"},
        {L"홍^길동", L"홍 길동"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KMDcmConvert::FormatPersonName(c.stored), c.shown) << KMString(c.stored).str();
    }
    // A name typed as it is shown is stored as it was.
    for (const wchar_t* stored : {L"Doe^John", L"王^小东", L"홍^길동", L"Yamada^Tarou=山田^太郎"}) {
        EXPECT_EQ(KMDcmConvert::ParsePersonName(KMDcmConvert::FormatPersonName(stored)), stored) << KMString(stored).str();
    }
    EXPECT_EQ(KMDcmConvert::ToDisplayText(KMDcmTag::ReportAuthorObserverName, L"Roe^Anna"), L"Anna Roe");
    EXPECT_EQ(KMDcmConvert::ToDisplayText(KMDcmTag::VerifyingObserverName, L"Roe^Anna"), L"Anna Roe");
}
