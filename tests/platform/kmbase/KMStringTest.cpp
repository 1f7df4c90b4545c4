#include "platform/kmbase/KMString.h"

#include <gtest/gtest.h>

TEST(KMString, NamesRoundTripBetweenNarrowAndWide)
{
    for (const wchar_t* text : {L"王小东", L"山田^太郎=やまだ^たろう", L"Müller^Jürgen Ångström", L"naïve 😀 text", L""}) {
        const KMString wide(text);
        const KMString narrow(std::string(wide.c_str()));
        EXPECT_EQ(std::wstring(narrow.c_wstr()), std::wstring(text));
        EXPECT_EQ(narrow, wide);
    }
    EXPECT_STREQ(KMString(L"é").c_str(), "\xc3\xa9");
    EXPECT_EQ(KMString(L"😀").length(), 4u);
}

TEST(KMString, InvalidInputBecomesReplacementCharacters)
{
    // A lone continuation byte, a truncated sequence, an overlong slash and an encoded surrogate.
    const KMString bad(std::string("a\x80" "b\xe4\xb8" "c\xc0\xaf" "d\xed\xa0\x80"));
    const std::wstring wide = bad.c_wstr();
    EXPECT_EQ(wide.substr(0, 3), std::wstring(L"a\xFFFD" L"b"));
    EXPECT_EQ(wide.find(L'c'), 4u) << "a truncated sequence is one replacement character";
    EXPECT_EQ(wide.back(), L'\xFFFD');
    for (wchar_t c : wide) {
        EXPECT_TRUE(c < 0xD800 || c > 0xDFFF);
    }

    KMString fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.empty());
    fromNull = static_cast<const wchar_t*>(nullptr);
    EXPECT_STREQ(fromNull.c_wstr(), L"");

    // A wide surrogate has no UTF-8 form; both views agree on the replacement.
    const KMString surrogate(std::wstring(1, static_cast<wchar_t>(0xD800)));
    EXPECT_STREQ(surrogate.c_str(), "\xef\xbf\xbd");
    EXPECT_EQ(surrogate.c_wstr()[0], L'\xFFFD');
}
