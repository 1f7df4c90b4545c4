#include "platform/kmbase/KMString.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(KMString, LongTextEncodesAsGLibDoesWhereverItsCharactersFall)
{
    // Plain ASCII goes eight characters at a time: a character beyond ASCII, or one that is not
    // Unicode, must count and encode at every place within and after such a block.
    const wchar_t others[] = {L'\x7F', L'é', L'\x7FF', L'\x800', L'肝', L'\xFFFF', static_cast<wchar_t>(0x1F600),
                              static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)};
    for (size_t length : {1u, 7u, 8u, 9u, 16u, 21u}) {
        for (size_t at = 0; at < length; ++at) {
            for (wchar_t other : others) {
                std::wstring text(length, L'a');
                text[at] = other;
                const bool unicode = !(other >= 0xD800 && other <= 0xDFFF) && other <= 0x10FFFF;
                std::wstring expected = text;
                expected[at] = unicode ? other : L'\xFFFD';
                std::vector<gunichar> scalars(expected.begin(), expected.end());
                gchar* oracle = g_ucs4_to_utf8(scalars.data(), static_cast<glong>(scalars.size()), nullptr, nullptr, nullptr);
                ASSERT_NE(oracle, nullptr);
                const std::string utf8 = KMString::ToUtf8(text.data(), text.size());
                EXPECT_EQ(utf8, oracle) << "length " << length << ", U+" << std::hex << other << " at " << std::dec << at;
                EXPECT_EQ(KMString::Utf8Length(text.data(), text.size()), utf8.size());
                g_free(oracle);
            }
        }
    }
}
