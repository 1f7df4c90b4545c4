#include "report/KMReportTemplate.h"
#include "platform/kmbase/KMLastError.h"
#include "support/FileChecks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <regex>

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using Rows = std::vector<std::pair<std::string, std::string>>;

namespace {

const char* const kRegions = R"(<Window>
  <img name="logo1" data="AAAA"/>
  <VerticalLayout name="page" width="794" height="1123">
    <Control name="RT_LOGO" bkimage="logo1"/>
    <Label name="RT_LOGO" bkimage="other"/>
    <VerticalLayout name="RT_TEMPINFO" template_name="old"/>
    <TabLayout name="RT_IMAGE">
      <HorizontalLayout name="one"/>
      <HorizontalLayout/>
      <VerticalLayout name="four"/>
    </TabLayout>
    <TileLayout name="RT_ATTRLIST" columns="2">
      <HorizontalLayout height="26"><Label text="Name"/><Edit userdata="0010,0010" width="200"/></HorizontalLayout>
      <HorizontalLayout height="26"><Label text="Age"/><Edit userdata="0010,1010"/><Combo userdata="0010,1010"/></HorizontalLayout>
      <HorizontalLayout height="26"><Label text="Birth"/><DateTime userdata="0010,0030" width="111"/></HorizontalLayout>
      <HorizontalLayout height="26"><Label text="Study"/><DateTime userdata="0008,0020" width="222"/></HorizontalLayout>
      <Label text="not a row"/>
      <HorizontalLayout><Label text="No tag"/><Edit/></HorizontalLayout>
    </TileLayout>
  </VerticalLayout>
</Window>)";

class TemplateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadText(kRegions)); }

    bool LoadText(const std::string& xml)
    {
        const std::string path = m_dir.File("t" + std::to_string(m_nFiles++) + ".xml");
        WriteFile(path, xml);
        return m_template.Load(path.c_str());
    }

    std::string Xml() const
    {
        std::string text;
        m_template.ToXml(text);
        return text;
    }

    TempDir m_dir;
    int m_nFiles = 0;
    KMReportTemplate m_template;
};

} // namespace

TEST_F(TemplateTest, RegionsAreFoundByElementAndName)
{
    std::string logo;
    ASSERT_TRUE(m_template.GetLogoName(logo));
    EXPECT_EQ(logo, "logo1") << "the Label of the same name is not the logo";
    tinyxml2::XMLDocument doc;
    doc.Parse("<A name=\"x\"><B name=\"x\"/><A name=\"x\"/></A>");
    EXPECT_EQ(m_template.FindElement(doc.RootElement(), "A", "x"), doc.RootElement()) << "the start counts";
    EXPECT_EQ(m_template.FindElement(doc.RootElement(), "B", "x"), doc.RootElement()->FirstChildElement());
    EXPECT_EQ(m_template.FindElement(doc.RootElement(), "B", "X"), nullptr);
    EXPECT_EQ(m_template.FindElement(nullptr, "B", "x"), nullptr);
}

TEST_F(TemplateTest, VisibilityIsTrueUnlessWrittenOtherwise)
{
    EXPECT_TRUE(m_template.IsLogoVisible());
    EXPECT_TRUE(m_template.IsImageVisible());
    ASSERT_TRUE(m_template.SetLogoVisible(false));
    EXPECT_FALSE(m_template.IsLogoVisible());
    EXPECT_NE(Xml().find("visible=\"false\""), std::string::npos);
    ASSERT_TRUE(m_template.SetLogoVisible(true));
    EXPECT_TRUE(m_template.IsLogoVisible());

    ASSERT_TRUE(LoadText("<VerticalLayout><Control name=\"RT_LOGO\" visible=\"TRUE\"/></VerticalLayout>"));
    EXPECT_FALSE(m_template.IsLogoVisible()) << "only the exact word true reads as visible";
    EXPECT_FALSE(m_template.IsImageVisible()) << "a missing region is not visible";
    EXPECT_FALSE(m_template.SetImageVisible(true));
}

TEST_F(TemplateTest, ImageLayoutsAreNamedChildrenAndSelectedIdReadsLikeAtoi)
{
    std::vector<std::string> names{"stale"};
    ASSERT_TRUE(m_template.GetImageLayoutList(names));
    EXPECT_EQ(names, (std::vector<std::string>{"one", "four"}));
    int index = 9;
    ASSERT_TRUE(m_template.GetImageLayout(index));
    EXPECT_EQ(index, 0) << "no selectedid reads as layout 0";
    ASSERT_TRUE(m_template.SetImageLayout(-3));
    EXPECT_NE(Xml().find("selectedid=\"-3\""), std::string::npos);
    ASSERT_TRUE(m_template.GetImageLayout(index));
    EXPECT_EQ(index, -3);

    ASSERT_TRUE(LoadText("<TabLayout name=\"RT_IMAGE\" selectedid=\"  12abc\"/>"));
    ASSERT_TRUE(m_template.GetImageLayout(index));
    EXPECT_EQ(index, 12);
    ASSERT_TRUE(LoadText("<TabLayout name=\"RT_IMAGE\" selectedid=\"abc\"/>"));
    ASSERT_TRUE(m_template.GetImageLayout(index));
    EXPECT_EQ(index, 0);
}

TEST_F(TemplateTest, SetLogoEmbedsTheFileUnderANewNameEachTime)
{
    const std::string image = m_dir.File("logo.png");
    WriteFile(image, ReadFile(testing_support::DataFile("images/logo.png")));
    ASSERT_TRUE(m_template.SetLogo(image.c_str()));
    std::string first;
    ASSERT_TRUE(m_template.GetLogoName(first));
    EXPECT_NE(first, "logo1");
    ASSERT_TRUE(m_template.SetLogo(image.c_str()));
    std::string second;
    ASSERT_TRUE(m_template.GetLogoName(second));
    EXPECT_NE(second, first);
    const std::string xml = Xml();
    EXPECT_NE(xml.find("<img name=\"" + second + "\" data=\"iVBORw0KGgo"), std::string::npos) << xml.substr(0, 200);
    EXPECT_EQ(xml.find(first), std::string::npos) << "the same img element was renamed";

    const std::string before = Xml();
    WriteFile(m_dir.File("empty.png"), "");
    EXPECT_FALSE(m_template.SetLogo(m_dir.File("empty.png").c_str()));
    EXPECT_FALSE(m_template.SetLogo(m_dir.File("missing.png").c_str()));
    EXPECT_FALSE(m_template.SetLogo(nullptr));
    ASSERT_EQ(truncate(m_dir.File("empty.png").c_str(), KMReportTemplate::kMaxLogoBytes + 1), 0);
    EXPECT_FALSE(m_template.SetLogo(m_dir.File("empty.png").c_str())) << "larger than 16 MiB";
    EXPECT_EQ(Xml(), before) << "a refused logo changes nothing";

    ASSERT_TRUE(LoadText("<VerticalLayout><Control name=\"RT_LOGO\" bkimage=\"logo.png\"/></VerticalLayout>"));
    EXPECT_FALSE(m_template.SetLogo(image.c_str())) << "a logo given as a file name cannot be replaced";
}

TEST_F(TemplateTest, SaveRecordsTheNameAndWritesAFileThatLoadsAgain)
{
    const std::string path = m_dir.File("saved.xml");
    ASSERT_TRUE(m_template.Save(path.c_str(), "Chest CT"));
    KMReportTemplate reloaded;
    ASSERT_TRUE(reloaded.Load(path.c_str()));
    std::string text;
    reloaded.ToXml(text);
    EXPECT_EQ(text, Xml());
    EXPECT_NE(text.find("template_name=\"Chest CT\""), std::string::npos);

    EXPECT_FALSE(m_template.Save(nullptr, "recorded anyway"));
    EXPECT_NE(Xml().find("template_name=\"recorded anyway\""), std::string::npos);

    // Targets that cannot be replaced: KMFileTest's table of every writer.
    ASSERT_TRUE(LoadText("<VerticalLayout name=\"page\"/>"));
    EXPECT_FALSE(m_template.Save(m_dir.File("none.xml").c_str(), "x")) << "no template information region";
    EXPECT_FALSE(testing_support::RunTool("test -e " + testing_support::Quoted(m_dir.File("none.xml"))).nExitCode == 0);
}

TEST_F(TemplateTest, FailedLoadsKeepTheTemplate)
{
    const std::string before = Xml();
    WriteFile(m_dir.File("decl.xml"), "<?xml version=\"1.0\"?>");
    WriteFile(m_dir.File("truncated.xml"), std::string(kRegions).substr(0, 300));
    WriteFile(m_dir.File("empty.xml"), "");
    WriteFile(m_dir.File("long.xml"), "<Window><Label text=\"" + std::string(1u << 20, 'x') + "\"/></Window>");
    for (const char* name : {"decl.xml", "truncated.xml", "empty.xml", "missing.xml", "long.xml"}) {
        EXPECT_FALSE(m_template.Load(m_dir.File(name).c_str())) << name;
        EXPECT_EQ(Xml(), before) << name;
    }
    EXPECT_NE(std::string(KMLastError::Get()).find("attribute text of Label: 1048576 bytes, at most 65536"),
              std::string::npos) << KMLastError::Get();
    EXPECT_FALSE(m_template.Load(nullptr));
    EXPECT_FALSE(m_template.Load(m_dir.Path().c_str())) << "a folder";

    KMReportTemplate fresh;
    std::string text = "stale";
    fresh.ToXml(text);
    EXPECT_EQ(text, "");
    std::string name;
    EXPECT_FALSE(fresh.GetLogoName(name));
    EXPECT_FALSE(fresh.SetImageLayout(1));
    Rows rows;
    EXPECT_FALSE(fresh.GetAttributeList(rows));
    EXPECT_FALSE(fresh.SetAttributeList(rows));
}

TEST_F(TemplateTest, AttributeListReadAndWrittenBackIsUnchanged)
{
    Rows rows{{"x", "kept in front"}};
    ASSERT_TRUE(m_template.GetAttributeList(rows));
    EXPECT_EQ(rows, (Rows{{"x", "kept in front"},
                          {"0010,0010", "Name"},
                          {"0010,1010", "Age"},
                          {"0010,0030", "Birth"},
                          {"0008,0020", "Study"},
                          {"", "No tag"}}));
    rows.erase(rows.begin());
    rows.pop_back();
    const std::string before = Xml();
    ASSERT_TRUE(m_template.SetAttributeList(rows));
    const std::string set = Xml();
    EXPECT_FALSE(m_template.SetAttributeList({{"0010,0010", std::string(70000, 'x')}})) << "no page takes that label";
    EXPECT_EQ(Xml(), set);
    Rows again;
    ASSERT_TRUE(m_template.GetAttributeList(again));
    EXPECT_EQ(again, rows);
    EXPECT_EQ(Xml().find("not a row"), std::string::npos) << "a child that is no row disappears";
    EXPECT_NE(Xml().find("<Combo userdata=\"0010,1010\"/>"), std::string::npos) << "the age pair keeps its unit box";
}

TEST_F(TemplateTest, NewRowsCopyTheModelOfTheirKind)
{
    Rows rows;
    ASSERT_TRUE(m_template.GetAttributeList(rows));
    ASSERT_TRUE(m_template.SetAttributeList(Rows{{"0010,0040", "Sex"},
                                                 {"0008,0023", "Report date"},
                                                 {"0010,1010", "Age"},
                                                 {"0721,1001", "Private"},
                                                 {"", "Empty"}}));
    const std::string xml = Xml();
    // Sex has no model here, so it takes the default row; a date takes the first date row.
    EXPECT_TRUE(std::regex_search(xml, std::regex("<Label text=\"Sex\"/>\\s*<Edit userdata=\"0010,0040\" width=\"200\"/>")))
        << xml;
    EXPECT_NE(xml.find("<DateTime userdata=\"0008,0023\" width=\"111\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<Combo userdata=\"0010,1010\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<Edit userdata=\"0721,1001\" width=\"200\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<Edit userdata=\"\" width=\"200\"/>"), std::string::npos);

    ASSERT_TRUE(m_template.SetAttributeList(Rows{}));
    Rows none;
    ASSERT_TRUE(m_template.GetAttributeList(none));
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(m_template.SetAttributeList(Rows{{"0010,0010", "Name"}}));
    ASSERT_TRUE(m_template.GetAttributeList(none));
    EXPECT_TRUE(none.empty()) << "reading an empty list leaves no models";
}

TEST_F(TemplateTest, TagTextsNeverReadPastTheirEnd)
{
    Rows rows;
    ASSERT_TRUE(m_template.GetAttributeList(rows));
    // Texts without an element part, or without any digit, take the default row.
    ASSERT_TRUE(m_template.SetAttributeList(Rows{{"0010", "group only"}, {"zz", "no digit"}, {"(0010,0030)", "paren"}}));
    const std::string xml = Xml();
    EXPECT_NE(xml.find("<Edit userdata=\"0010\" width=\"200\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<Edit userdata=\"zz\" width=\"200\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<DateTime userdata=\"(0010,0030)\""), std::string::npos) << "leading characters are skipped";
}

TEST(KMReportTemplateMalformed, HostileTemplatesFailOrLoadWithoutHarm)
{
    KMReportTemplate report;
    for (const char* name : {"truncated.xml", "too-deep.xml", "binary.xml", "huge-attribute.xml"}) {
        EXPECT_FALSE(report.Load(testing_support::DataFile(std::string("templates/") + name).c_str())) << name;
    }
    ASSERT_TRUE(report.Load(testing_support::DataFile("templates/deep.xml").c_str()));
    std::string logo;
    EXPECT_FALSE(report.GetLogoName(logo));

    if (report.Load(testing_support::DataFile("templates/entities.xml").c_str())) {
        ASSERT_TRUE(report.GetLogoName(logo));
        EXPECT_EQ(logo.find("aaaaaaaaaa"), std::string::npos) << "entities are not expanded";
    }
}
