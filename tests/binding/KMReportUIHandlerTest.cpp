#include "binding/KMReportUIHandler.h"
#include "platform/Host.h"
#include "platform/duilib/CComboUI.h"
#include "platform/duilib/CDateTimeUI.h"
#include "platform/duilib/CPictureUI.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "support/SkinWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using DuiLib::CComboUI;
using DuiLib::CContainerUI;
using DuiLib::CControlUI;
using DuiLib::CDateTimeUI;
using platform::Click;
using platform::Key;
using platform::PressKey;
using platform::TypeText;
using testing_support::CountPixels;
using testing_support::DataFile;
using testing_support::ReadFile;
using testing_support::SkinWindow;

namespace {


// A listener that writes down what it hears.
class Listener : public IKMReportUIHandlerCallback {
public:
    void OnValueChanged(DWORD tag, const wchar_t* value) override { heard.emplace_back(tag, value); }
    std::vector<std::pair<DWORD, std::wstring>> heard;
};

std::vector<unsigned char> Image(const char* name)
{
    const std::string bytes = ReadFile(DataFile(std::string("images/") + name));
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

// A document holding the given pictures in its Referenced Image Sequence, as a report stores them.
void StorePictures(KMDcmSR& sr, const std::vector<const char*>& names)
{
    for (size_t i = 0; i < names.size(); ++i) {
        KMDcmDataset item;
        ASSERT_TRUE(sr.GetDataset()->GetOrCreateSequenceItem(0x00081140, item, static_cast<int>(i)));
        const std::vector<unsigned char> bytes = Image(names[i]);
        ASSERT_TRUE(item.SetUint8Array(0x00420011, bytes.data(), bytes.size()));
    }
}

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override { Open(ReadFile(DataFile("skins/binding.xml"))); }
    void TearDown() override
    {
        m_handler.reset();
        DestroyWindow(m_host);
        m_window.reset();
    }

    void Open(const std::string& xml)
    {
        if (m_host != nullptr) {
            m_handler.reset();
            DestroyWindow(m_host);
        }
        m_host = platform::CreateHostWindow(640, 520);
        m_window = std::make_unique<SkinWindow>(xml);
        ASSERT_NE(m_window->Create(m_host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 640, 520), nullptr);
        m_handler = std::make_unique<KMReportUIHandler>();
        m_handler->InitUI(dynamic_cast<CContainerUI*>(m_window->m_pm.GetRoot()), true);
        m_handler->RegisterCallback(&m_listener);
    }

    CControlUI* Control(const wchar_t* name) { return m_window->m_pm.FindControl(name); }
    std::wstring Text(const wchar_t* name) { return Control(name)->GetText().Str(); }
    CComboUI* Combo(const wchar_t* name) { return dynamic_cast<CComboUI*>(Control(name)); }

    void ClickOn(const wchar_t* name)
    {
        const POINT pt = m_window->Centre(name);
        ASSERT_TRUE(Click(m_host, pt.x, pt.y));
    }

    // Opens a combo and clicks its item `index` in the list below it.
    void Choose(const wchar_t* name, int index)
    {
        ClickOn(name);
        const RECT rc = Combo(name)->GetDropItemRect(index);
        ASSERT_TRUE(Click(m_host, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
        ASSERT_EQ(Combo(name)->GetCurSel(), index);
    }

    HWND m_host = nullptr;
    std::unique_ptr<SkinWindow> m_window;
    std::unique_ptr<KMReportUIHandler> m_handler;
    Listener m_listener;
};

std::unique_ptr<KMDcmSR> Document()
{
    auto sr = std::make_unique<KMDcmSR>();
    KMDcmDataset* ds = sr->GetDataset();
    ds->SetString(KMDcmTag::PatientName, L"Doe^Jane");
    ds->SetString(0x00100020, L"P-42");
    ds->SetString(KMDcmTag::PatientSex, "F");
    ds->SetString(KMDcmTag::PatientAge, "045Y");
    ds->SetString(KMDcmTag::PatientBirthDate, "19710315");
    ds->SetString(KMDcmTag::ReferringPhysicianName, L"Rivera^Luis");
    ds->SetString(KMDcmTag::InstitutionalDepartmentName, L"Radiology");
    ds->SetString(0x00180015, L"CHEST");
    sr->SetFinding(L"Nodule.\nSecond line.");
    sr->SetConclusion(L"Follow up.");
    sr->SetAcquisitionModality(L"MR");
    sr->SetVerificationDateTime(L"20260102030405");
    return sr;
}

} // namespace

TEST_F(BindingTest, TagTextsAndTheirVariants)
{
    // DICOM's own notation, in parentheses, is read as the tag it names (not as group 0).
    for (const char* tag : {"0010,0040", "10,40", "0x0010,0x0040", "0010;0040", "0010 0040", "(0010,0040)", " (10,40)"}) {
        Open(std::string("<VerticalLayout><Edit name=\"e\" userdata=\"") + tag + "\"/></VerticalLayout>");
        EXPECT_TRUE(m_handler->SetValue(KMDcmTag::PatientSex, L"M")) << tag;
        EXPECT_EQ(Text(L"e"), L"M") << tag;
        EXPECT_TRUE(Control(L"e")->IsEnabled()) << tag;
    }
    // A group written with five digits: filling, reporting and a host's value all mask it to the
    // element's tag, so the field never shows a value the document no longer holds.
    Open(ReadFile(DataFile("skins/binding.xml")));
    std::unique_ptr<KMDcmSR> sr = Document();
    ASSERT_TRUE(m_handler->SetDcmSR(sr.get()));
    EXPECT_EQ(Text(L"department"), L"Radiology");
    EXPECT_EQ(Text(L"paren"), L"F");
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::InstitutionalDepartmentName, L"Cardiology"));
    EXPECT_EQ(Text(L"department"), L"Cardiology");
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::InstitutionalDepartmentName, L"Radiology"));
    ClickOn(L"department");
    ASSERT_TRUE(PressKey(m_host, Key::End));
    ASSERT_TRUE(TypeText(m_host, L"!"));
    ASSERT_EQ(m_listener.heard.size(), 1u);
    EXPECT_EQ(m_listener.heard[0], std::make_pair(KMDcmTag::InstitutionalDepartmentName, std::wstring(L"Radiology!")));
    // Group digits that run to the end bind nothing beyond the text.
    Open("<VerticalLayout><Edit name=\"e\" userdata=\"0010\"/></VerticalLayout>");
    EXPECT_TRUE(m_handler->SetValue(0x00100000, L"x"));
    // Fields whose element the document cannot take only show: what a person typed would be lost.
    for (const char* tag : {"0010", "0008,0005", "0002,0010", "Patient name", "0009,10FF"}) {
        Open(std::string("<VerticalLayout><Edit name=\"e\" userdata=\"") + tag + "\"/></VerticalLayout>");
        EXPECT_FALSE(Control(L"e")->IsEnabled()) << tag;
    }
}

TEST_F(BindingTest, EachWalkHasItsOwnKinds)
{
    std::unique_ptr<KMDcmSR> sr = Document();
    ASSERT_TRUE(m_handler->SetDcmSR(sr.get()));
    // Inside a TileLayout (the attribute list): a display field, filled as people read a name;
    // that it takes no input and follows the document is TextEntryHostTest's, on the page and
    // on paper.
    EXPECT_EQ(Text(L"tileEdit"), L"Luis Rivera");
    std::wstring value;
    EXPECT_FALSE(m_handler->GetValue(KMDcmTag::ReferringPhysicianName, value));
    ASSERT_TRUE(m_handler->EnableUI(false));
    EXPECT_FALSE(Control(L"tileEdit")->IsEnabled());
    EXPECT_FALSE(Control(L"name")->IsEnabled());
    EXPECT_FALSE(Control(L"unbound")->IsEnabled()) << "unbound edits are disabled too";
    EXPECT_FALSE(Control(L"finding")->IsEnabled());
    EXPECT_TRUE(Control(L"bodyLabel")->IsEnabled());
    ASSERT_TRUE(m_handler->EnableUI(true));
    EXPECT_TRUE(Control(L"name")->IsEnabled());
    EXPECT_FALSE(Control(L"tileEdit")->IsEnabled());

    // A bound label shows values but keeps its text for sex and age; buttons and texts are ignored.
    EXPECT_EQ(Text(L"bodyLabel"), L"CHEST");
    EXPECT_EQ(Text(L"sexLabel"), L"label text");
    EXPECT_EQ(Text(L"button"), L"button");
    EXPECT_EQ(Text(L"text"), L"text");
    EXPECT_TRUE(m_handler->GetValue(0x00180015, value));
    EXPECT_EQ(value, L"CHEST");
}

TEST_F(BindingTest, SexAgeAndDateWidgets)
{
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientSex, L"F"));
    EXPECT_EQ(Combo(L"sex")->GetCurSel(), 1);
    std::wstring value;
    ASSERT_TRUE(m_handler->GetValue(KMDcmTag::PatientSex, value));
    EXPECT_EQ(value, L"Female") << "the combo's text, not the code";
    EXPECT_TRUE(m_handler->SetValue(KMDcmTag::PatientSex, L"m"));
    EXPECT_EQ(Combo(L"sex")->GetCurSel(), -1) << "codes match case-sensitively";
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientSex, L"O"));
    EXPECT_TRUE(m_handler->SetValue(KMDcmTag::PatientSex, L""));
    EXPECT_EQ(Combo(L"sex")->GetCurSel(), -1);

    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientAge, L"045Y"));
    EXPECT_EQ(Text(L"age"), L"45");
    EXPECT_EQ(Combo(L"ageUnit")->GetCurSel(), 0);
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientAge, L"003M"));
    EXPECT_EQ(Text(L"age"), L"3");
    EXPECT_EQ(Combo(L"ageUnit")->GetCurSel(), 1);
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientAge, L"nonsense"));
    EXPECT_EQ(Text(L"age"), L"");
    EXPECT_EQ(Combo(L"ageUnit")->GetCurSel(), -1);

    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientBirthDate, L"19710315"));
    auto* birth = dynamic_cast<CDateTimeUI*>(Control(L"birth"));
    EXPECT_EQ(birth->GetTime().wYear, 1971);
    EXPECT_EQ(birth->GetTime().wDay, 15);
    EXPECT_EQ(Text(L"birth"), L"1971-03-15");
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientBirthDate, L"19711315")) << "a rejected date still counts as written";
    EXPECT_EQ(Text(L"birth"), L"19711315") << "shown as it is";
    EXPECT_EQ(birth->GetTime().wMonth, 3);
    EXPECT_TRUE(m_listener.heard.empty()) << "values the program writes are not reported";

    // A lone age edit holds the whole DICOM text.
    Open("<VerticalLayout><HorizontalLayout><Edit name=\"age\" userdata=\"0010,1010\"/><Combo userdata=\"0008,0060\"/>"
         "</HorizontalLayout></VerticalLayout>");
    ASSERT_TRUE(m_handler->SetValue(KMDcmTag::PatientAge, L"045Y"));
    EXPECT_EQ(Text(L"age"), L"045Y");
}

TEST_F(BindingTest, PersonsEditsAreReportedInDicomForm)
{
    ClickOn(L"name");
    ASSERT_TRUE(TypeText(m_host, L"Li"));
    ASSERT_TRUE(PressKey(m_host, Key::Backspace));
    Choose(L"sex", 2);
    ClickOn(L"age");
    ASSERT_TRUE(TypeText(m_host, L"7"));
    Choose(L"ageUnit", 2);
    Choose(L"modalityChoice", 1);
    ClickOn(L"birth");
    ASSERT_TRUE(TypeText(m_host, L"2024-02-29"));
    ClickOn(L"finding");
    ASSERT_TRUE(TypeText(m_host, L"A"));
    ASSERT_TRUE(PressKey(m_host, Key::Enter));

    const std::vector<std::pair<DWORD, std::wstring>> expected = {
        {KMDcmTag::PatientName, L"L"}, {KMDcmTag::PatientName, L"Li"}, {KMDcmTag::PatientName, L"L"}, {KMDcmTag::PatientSex, L"O"},
        {KMDcmTag::PatientAge, L""},          // the number alone, before a unit is chosen, is no age
        {KMDcmTag::PatientAge, L"007W"},      // choosing the unit reports the whole age
        {KMDcmTag::PatientBirthDate, L"20240229"}, // leaving the date control reports its date
        {0x07211001, L"A"}, {0x07211001, L"A\r\n"}};  // a line break as DICOM's texts write it
    EXPECT_EQ(m_listener.heard, expected) << "choosing a modality item reports nothing";
}

TEST_F(BindingTest, LeavingAnEmptyDateReportsAnEmptyValue)
{
    ClickOn(L"birth");
    ClickOn(L"name");
    ASSERT_FALSE(m_listener.heard.empty());
    EXPECT_EQ(m_listener.heard.back(), std::make_pair(KMDcmTag::PatientBirthDate, std::wstring()));
}

TEST_F(BindingTest, FillingReportsNothingAndFillsEveryBoundControl)
{
    std::unique_ptr<KMDcmSR> sr = Document();
    ASSERT_TRUE(m_handler->SetDcmSR(sr.get()));
    EXPECT_TRUE(m_listener.heard.empty()) << "not even the rich edits' own text changes";
    EXPECT_EQ(Text(L"name"), L"Jane Doe") << "a name as people read it";
    EXPECT_EQ(Text(L"id"), L"P-42");
    EXPECT_EQ(Combo(L"sex")->GetCurSel(), 1);
    EXPECT_EQ(Text(L"age"), L"45");
    EXPECT_EQ(Combo(L"ageUnit")->GetCurSel(), 0);
    EXPECT_EQ(Text(L"birth"), L"1971-03-15");
    EXPECT_EQ(Text(L"finding"), L"Nodule.\nSecond line.");
    EXPECT_EQ(Text(L"conclusion"), L"Follow up.");
    EXPECT_EQ(Text(L"modalityChoice"), L"") << "a combo's SetText does not choose an item";
    EXPECT_EQ(Text(L"verifiedOn"), L"2026-01-02 03:04") << "read where DICOM keeps it, shown as people read it";

    ASSERT_TRUE(m_handler->ClearUI());
    EXPECT_EQ(Text(L"name"), L"");
    EXPECT_EQ(Combo(L"sex")->GetCurSel(), -1);
    EXPECT_EQ(Text(L"age"), L"");
    EXPECT_EQ(Text(L"birth"), L"");
    EXPECT_EQ(Text(L"finding"), L"");
    EXPECT_TRUE(m_listener.heard.empty());

    EXPECT_FALSE(m_handler->SetDcmSR(nullptr));
    KMReportUIHandler unbound;
    EXPECT_FALSE(unbound.SetDcmSR(sr.get()));
    EXPECT_FALSE(unbound.SetValue(KMDcmTag::PatientName, L"x"));
    EXPECT_FALSE(unbound.EnableUI(true));
    EXPECT_FALSE(unbound.SetQRCode("x"));
    EXPECT_FALSE(m_handler->SetValue(KMDcmTag::PatientName, nullptr));

    // The fill counter is back at rest: a person's edit is heard again.
    ClickOn(L"name");
    ASSERT_TRUE(TypeText(m_host, L"!"));
    EXPECT_EQ(m_listener.heard.size(), 1u);
}

TEST_F(BindingTest, ListenersInOrderWithoutDuplicates)
{
    Listener second;
    m_handler->RegisterCallback(&second);
    m_handler->RegisterCallback(&m_listener);
    m_handler->RegisterCallback(nullptr);
    ClickOn(L"name");
    ASSERT_TRUE(TypeText(m_host, L"a"));
    EXPECT_EQ(m_listener.heard.size(), 1u);
    EXPECT_EQ(second.heard.size(), 1u);
    m_handler->UnRegisterCallback(&m_listener);
    Listener never;
    m_handler->UnRegisterCallback(&never);
    ASSERT_TRUE(TypeText(m_host, L"b"));
    EXPECT_EQ(m_listener.heard.size(), 1u);
    EXPECT_EQ(second.heard.size(), 2u);

    // A value that the program shows comes from the document: it is not reported back.
    m_handler->RegisterCallback(&m_listener);
    ASSERT_TRUE(m_handler->SetValue(0x07211001, L"typed by the host"));
    EXPECT_EQ(m_listener.heard.size(), 1u);
    EXPECT_EQ(Text(L"finding"), L"typed by the host");
}

TEST_F(BindingTest, ImageBoxesAndQRCode)
{
    EXPECT_EQ(m_handler->GetImageBoxCount(), 3) << "the hidden box is no image box";
    std::vector<unsigned char> red = Image("red.jpg");
    EXPECT_FALSE(m_handler->SetImageBox(3, red.data(), static_cast<long>(red.size())));
    EXPECT_FALSE(m_handler->SetImageBox(-1, red.data(), static_cast<long>(red.size())));
    EXPECT_FALSE(m_handler->SetImageBox(0, nullptr, 10));
    EXPECT_FALSE(m_handler->SetImageBox(0, red.data(), 0));

    auto showsColour = [&](const wchar_t* box, DWORD colour) {
        HBITMAP shot = platform::CaptureWindow(m_host);
        const int count = CountPixels(shot, Control(box)->GetPos(), colour, 40);
        DeleteObject(shot);
        return count > 500;
    };
    KMDcmSR five;
    StorePictures(five, {"blue.jpg", "red.jpg", "blue.jpg", "red.jpg", "red.jpg"});
    ASSERT_TRUE(m_handler->SetDcmSR(&five));
    EXPECT_TRUE(showsColour(L"p0", 0xFF0000FF));
    EXPECT_TRUE(showsColour(L"p1", 0xFFFF0000));
    EXPECT_TRUE(showsColour(L"p2", 0xFF0000FF));
    // A document with fewer pictures leaves the other boxes empty, and clearing empties them all.
    KMDcmSR one;
    StorePictures(one, {"red.jpg"});
    ASSERT_TRUE(m_handler->SetDcmSR(&one));
    EXPECT_TRUE(showsColour(L"p0", 0xFFFF0000));
    for (const wchar_t* box : {L"p1", L"p2"}) {
        EXPECT_FALSE(showsColour(box, 0xFFFF0000) || showsColour(box, 0xFF0000FF)) << box;
    }
    ASSERT_TRUE(m_handler->ClearUI());
    EXPECT_FALSE(showsColour(L"p0", 0xFFFF0000));

    // The QR code is read back by zbarimg from the printed page in KMMainWindowTest; here an
    // empty text clears the box.
    ASSERT_TRUE(m_handler->SetQRCode("SR 1.2.826.0.1.3680043.9.7421 Doe^Jane"));
    HBITMAP shot = platform::CaptureWindow(m_host);
    EXPECT_GT(CountPixels(shot, Control(L"RT_QRCODE")->GetPos(), 0xFF000000, 60), 1000);
    DeleteObject(shot);
    ASSERT_TRUE(m_handler->SetQRCode(""));
    shot = platform::CaptureWindow(m_host);
    EXPECT_EQ(CountPixels(shot, Control(L"RT_QRCODE")->GetPos(), 0xFF000000, 60), 0);
    DeleteObject(shot);
    EXPECT_TRUE(m_handler->SetQRCode(nullptr));

    Open("<VerticalLayout><VerticalLayout name=\"RT_QRCODE\"/></VerticalLayout>");
    EXPECT_FALSE(m_handler->SetQRCode("x")) << "a container named RT_QRCODE is not the box";
}

TEST_F(BindingTest, StaleHandlersAreNeverCalled)
{
    // The handler goes while its page stays: edits and focus changes reach nobody.
    m_handler.reset();
    ClickOn(L"birth");
    ASSERT_TRUE(TypeText(m_host, L"1"));
    ClickOn(L"name");
    ASSERT_TRUE(TypeText(m_host, L"x"));
    EXPECT_TRUE(m_listener.heard.empty());

    // A handler bound to another tree no longer hears the old one.
    KMReportUIHandler handler;
    handler.RegisterCallback(&m_listener);
    handler.InitUI(dynamic_cast<CContainerUI*>(m_window->m_pm.GetRoot()), true);
    SkinWindow other("<Window><VerticalLayout><Edit name=\"e\" userdata=\"0010,0010\"/></VerticalLayout></Window>");
    ASSERT_NE(other.Create(nullptr, L"other", 0, 0, 0, 0, 100, 40), nullptr);
    handler.InitUI(dynamic_cast<CContainerUI*>(other.m_pm.GetRoot()), true);
    ASSERT_TRUE(TypeText(m_host, L"y"));
    EXPECT_TRUE(m_listener.heard.empty());
    DestroyWindow(other.GetHWND());

    // A copy shares the listeners and the page.
    KMReportUIHandler copy(handler);
    KMReportUIHandler& self = copy;
    copy = self;
    EXPECT_EQ(copy.GetImageBoxCount(), handler.GetImageBoxCount());
}
