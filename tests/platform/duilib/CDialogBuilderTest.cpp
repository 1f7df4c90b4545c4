#include "platform/duilib/Base64.h"
#include "platform/duilib/CComboUI.h"
#include "platform/duilib/CDialogBuilder.h"
#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/duilib/UILayout.h"
#include "platform/kmbase/KMString.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using DuiLib::CControlUI;
using DuiLib::CDialogBuilder;
using DuiLib::CPaintManagerUI;
using testing_support::DataFile;
using testing_support::ReadFile;

namespace {

std::unique_ptr<CControlUI> Build(const std::string& xml, CPaintManagerUI* manager = nullptr)
{
    CDialogBuilder builder;
    return std::unique_ptr<CControlUI>(builder.CreateFromXml(xml.data(), xml.size(), nullptr, manager));
}

std::string Nested(int depth)
{
    std::string xml;
    for (int i = 0; i < depth; ++i) {
        xml += "<VerticalLayout>";
    }
    for (int i = 0; i < depth; ++i) {
        xml += "</VerticalLayout>";
    }
    return xml;
}

} // namespace

TEST(CDialogBuilder, BuildsControlsItemsFontsAndImages)
{
    CPaintManagerUI manager;
    const std::string skin = ReadFile(DataFile("skins/toolkit.xml"));
    auto root = Build(skin, &manager);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClass(), L"VerticalLayout");
    EXPECT_EQ(root->GetManager(), &manager);
    ASSERT_NE(manager.GetImage(L"logo"), nullptr);
    EXPECT_EQ(manager.GetImage(L"logo")->nWidth, 16);
    EXPECT_EQ(manager.GetFont(1).iSize, 20);
    EXPECT_TRUE(manager.GetFont(1).bBold);

    auto* combo = dynamic_cast<DuiLib::CComboUI*>(dynamic_cast<DuiLib::CContainerUI*>(
        dynamic_cast<DuiLib::CContainerUI*>(root.get())->GetItemAt(2))->GetItemAt(1));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->GetCount(), 3);
    EXPECT_EQ(combo->GetItemAt(2)->GetUserData().Str(), L"O");
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetText().Str(), L"");

    // A root that is a control itself, and a tab layout that shows its selected child only.
    auto tab = Build("<TabLayout selectedid=\"1\"><Label name=\"a\"/><Label name=\"b\"/><Label name=\"c\"/></TabLayout>");
    ASSERT_NE(tab, nullptr);
    auto* layout = dynamic_cast<DuiLib::CTabLayoutUI*>(tab.get());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(layout->GetItemAt(i)->IsVisible(), i == 1) << i;
    }
    layout->SelectItem(2);
    EXPECT_TRUE(layout->GetItemAt(2)->IsVisible());
    EXPECT_FALSE(layout->SelectItem(7));
    EXPECT_FALSE(layout->GetItemAt(2)->IsVisible());
}

TEST(CDialogBuilder, UnknownElementsAreSkippedWithTheirChildren)
{
    auto root = Build("<VerticalLayout><Gadget><Label name=\"inside\"/></Gadget><Label name=\"after\"/></VerticalLayout>");
    ASSERT_NE(root, nullptr);
    auto* layout = dynamic_cast<DuiLib::CContainerUI*>(root.get());
    ASSERT_EQ(layout->GetCount(), 1);
    EXPECT_EQ(layout->GetItemAt(0)->GetName().Str(), L"after");
    EXPECT_EQ(Build("<Window><Gadget/></Window>"), nullptr) << "no root control";
}

TEST(CDialogBuilder, MalformedAndHostileSkinsGiveNull)
{
    const std::string skin = ReadFile(DataFile("skins/toolkit.xml"));
    EXPECT_EQ(Build(skin.substr(0, skin.size() / 2)), nullptr) << "truncated";
    EXPECT_EQ(Build(""), nullptr);
    EXPECT_EQ(Build("not xml at all"), nullptr);
    EXPECT_EQ(Build("<?xml version=\"1.0\"?>"), nullptr) << "no root element";
    EXPECT_EQ(Build(Nested(CDialogBuilder::kMaxDepth + 5)), nullptr) << "nested too deep";
    EXPECT_NE(Build(Nested(50)), nullptr);
    auto entities = Build("<!DOCTYPE x [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><Label text=\"&b;\"/>");
    if (entities != nullptr) {
        EXPECT_EQ(entities->GetText().Str().find(L"aaaa"), std::wstring::npos) << "entities are not expanded";
    }

    CDialogBuilder builder;
    EXPECT_EQ(builder.CreateFromXml(nullptr, 10), nullptr);
    EXPECT_EQ(builder.Create(L"no/such/skin.xml"), nullptr);
    EXPECT_EQ(builder.Create(L""), nullptr);

    // Huge sizes are clamped, long texts kept up to the attribute limit and refused beyond it, bad
    // Base64 and bad image data register nothing.
    const auto withText = [](size_t length) {
        return "<Window><img name=\"bad\" data=\"@@@\"/><img name=\"junk\" data=\"aGVsbG8gd29ybGQ=\"/>"
               "<VerticalLayout width=\"999999999999\" height=\"-5\" bkcolor=\"#zz\" text=\"" +
               std::string(length, 'x') + "\"/></Window>";
    };
    EXPECT_EQ(Build(withText(CDialogBuilder::kMaxAttributeBytes + 1)), nullptr) << "a text no label needs";
    CPaintManagerUI manager;
    auto huge = Build(withText(CDialogBuilder::kMaxAttributeBytes), &manager);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->GetFixedWidth(), 100000);
    EXPECT_EQ(huge->GetFixedHeight(), 0);
    EXPECT_EQ(static_cast<size_t>(huge->GetText().GetLength()), CDialogBuilder::kMaxAttributeBytes);
    EXPECT_EQ(manager.GetImage(L"bad"), nullptr);
    EXPECT_EQ(manager.GetImage(L"junk"), nullptr);
}

TEST(CDialogBuilder, ReadsSkinFilesUnderTheResourcePath)
{
    CPaintManagerUI::SetResourcePath(KMString(DataFile("skins")).c_wstr());
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create(L"toolkit.xml"));
    EXPECT_NE(root, nullptr);
    CPaintManagerUI manager;
    EXPECT_EQ(manager.GetImage(L"../images/red.jpg"), nullptr) << "images outside the skin folder are not read";
}

TEST(Base64, RoundTripsAndRefusesWhatIsNotBase64)
{
    const unsigned char bytes[] = {0x00, 0xFF, 0x10, 0x80, 0x7F};
    for (size_t n = 0; n <= sizeof(bytes); ++n) {
        const std::string text = DuiLib::Base64::Encode(bytes, n);
        EXPECT_EQ(text.size() % 4, 0u);
        std::vector<unsigned char> back;
        ASSERT_TRUE(DuiLib::Base64::Decode(text.data(), text.size(), back)) << text;
        EXPECT_EQ(back, std::vector<unsigned char>(bytes, bytes + n));
    }
    EXPECT_EQ(DuiLib::Base64::Encode(reinterpret_cast<const unsigned char*>("Man"), 3), "TWFu");
    std::vector<unsigned char> out;
    EXPECT_TRUE(DuiLib::Base64::Decode("TW\nFu", 5, out)) << "line breaks are skipped";
    for (const char* bad : {"TWF", "T===", "TW=u", "TW==TWFu", "TW*u"}) {
        EXPECT_FALSE(DuiLib::Base64::Decode(bad, std::strlen(bad), out)) << bad;
        EXPECT_TRUE(out.empty());
    }
}

TEST(CRenderEngine, DecodesJpegAndPngAndRefusesEverythingElse)
{
    const std::string jpeg = ReadFile(DataFile("images/red.jpg"));
    HBITMAP bitmap = DuiLib::CRenderEngine::CreateBitmap(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObject(bitmap, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 64);
    EXPECT_EQ(info.bmHeight, 48);
    DeleteObject(bitmap);

    auto decode = [](const std::string& bytes) {
        HBITMAP b = DuiLib::CRenderEngine::CreateBitmap(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        const bool decoded = b != nullptr;
        DeleteObject(b);
        return decoded;
    };
    std::string corrupt = jpeg;
    corrupt.resize(corrupt.size() / 3);
    EXPECT_FALSE(decode(corrupt)) << "truncated JPEG";
    std::string scrambled = jpeg;
    for (size_t i = 20; i < scrambled.size(); i += 7) {
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    }
    // libjpeg recovers from some damage; what matters is that damage is survived.
    decode(scrambled);
    EXPECT_FALSE(decode("GIF89a......................"));
    EXPECT_FALSE(decode(""));
    EXPECT_FALSE(decode(ReadFile(DataFile("images/huge.png")))) << "declares 30000 x 30000 pixels";
    EXPECT_FALSE(decode(ReadFile(DataFile("images/huge.jpg")))) << "declares 60000 x 60000 pixels";
    EXPECT_EQ(DuiLib::CRenderEngine::CreateBitmap(nullptr, 10), nullptr);
}
