#include "platform/kmdicom/KMDcmConvert.h"
#include "platform/kmdicom/KMDcmUtil.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <tuple>

TEST(KMDcmUtil, UidsAreValidAndUnique)
{
    const std::regex uidSyntax("(0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*))*");
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        KMString uid;
        ASSERT_TRUE(KMDcmUtil::GenerateUID(uid));
        ASSERT_LE(uid.length(), 64u);
        ASSERT_TRUE(std::regex_match(uid.str(), uidSyntax)) << uid.c_str();
        ASSERT_TRUE(seen.insert(uid.str()).second) << "repeated " << uid.c_str();
    }
}

TEST(KMDcmUtil, CurrentDateAndTimeAreDicomTexts)
{
    KMDcmDate date;
    EXPECT_TRUE(KMDcmConvert::Convert(KMDcmUtil::GetCurrentDcmDate().c_str(), date));
    EXPECT_TRUE(std::regex_match(KMDcmUtil::GetCurrentDcmTime().str(), std::regex("([01][0-9]|2[0-3])[0-5][0-9][0-5][0-9]")));
}

TEST(KMDcmUtil, DictionaryGivesValueRepresentations)
{
    AttributeElement element;
    for (const auto& [tag, vr, name] : {std::tuple<DWORD, const char*, const char*>{0x00101010, "AS", "PatientAge"},
                                        {0x00100030, "DA", "PatientBirthDate"}, {0x00100040, "CS", "PatientSex"}}) {
        ASSERT_TRUE(KMDcmUtil::GetTagElement(tag, element)) << name;
        EXPECT_EQ(element.vr, vr);
        EXPECT_EQ(element.name, name);
    }
    element.vr = "kept";
    for (DWORD unknown : {0x07211001u, 0x07211004u, 0x00331001u}) {
        EXPECT_FALSE(KMDcmUtil::GetTagElement(unknown, element)) << std::hex << unknown;
    }
    EXPECT_EQ(element.vr, "kept");
}
