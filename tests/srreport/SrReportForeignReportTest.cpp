// Reports written by other systems (made with DCMTK's xml2dsr) through srreport: everything they
// hold reaches show, the printed page and the Encapsulated PDF; edits change one item or are
// refused; line breaks and names read the same whatever their form in the document.
#include "SrReportProcess.h"
#include "support/SRDocuments.h"

#include <gtest/gtest.h>

using namespace srreport_test;
using namespace testing_support;

namespace {

const char* const kFinding = "121071,DCM,Finding";

// Findings of several items, measurements with UCUM units, a coded finding with its site,
// impressions, a procedure section and an image reference.
SRShape Foreign(int verifiers)
{
    return SRShape(
        "Comprehensive SR",
        SRContainer("CONTAINS", "59776-5,LN,Procedure Findings",
                    SRText("CONTAINS", kFinding, "A mass of 3 cm.") +
                        SRNum("CONTAINS", "G-D7FE,SRT,Diameter", "12.5", "mm,UCUM,millimeter") +
                        SRNum("CONTAINS", "112031,DCM,Attenuation Coefficient", "-35", "[hnsf'U],UCUM,Hounsfield unit") +
                        SRCode("CONTAINS", kFinding, "4147007,SCT,Mass",
                               SRCode("HAS CONCEPT MOD", "G-C0E3,SRT,Finding Site", "39607008,SCT,Lung"))) +
            SRContainer("CONTAINS", "121072,DCM,Impressions", SRText("CONTAINS", "121073,DCM,Impression", "Likely benign.")) +
            SRContainer("CONTAINS", "121064,DCM,Current Procedure Descriptions",
                        SRText("CONTAINS", "121065,DCM,Procedure Description", "CT chest, contrast.")) +
            SRImage("CONTAINS", "1.2.826.0.1.3680043.10.2222.77"),
        "", verifiers);
}

const std::initializer_list<std::string> kEverything = {
    "A mass of 3 cm.", "Diameter: 12.5 mm", "-35 Hounsfield unit", "Finding: Mass", "Finding Site: Lung",
    "Likely benign.", "Current Procedure Descriptions", "CT chest, contrast.", "CT Image Storage 1.2.826.0.1.3680043.10.2222.77"};

} // namespace

TEST(SrReportForeignReport, EverythingItHoldsIsShownPrintedAndExported)
{
    TempDir folder;
    const std::string report = folder.File("foreign.dcm");
    ASSERT_EQ(WriteSR(report, Foreign(1)), "");
    const Outcome shown = SrReport("show " + Quoted(report));
    ASSERT_EQ(shown.code, 0) << shown.err;
    ExpectContains(shown.out, kEverything);
    const Outcome json = SrReport("show --json " + Quoted(report));
    ASSERT_EQ(json.code, 0) << json.err;
    ExpectContains(json.out, {"\"value\":\"12.5\",\"unit\":\"mm\"", "\"meaning\":\"Finding Site\"",
                              "\"valueType\":\"IMAGE\"", "\"relationship\":\"HAS CONCEPT MOD\""});

    const std::string pdf = folder.File("foreign.pdf");
    ASSERT_EQ(SrReport("print " + Quoted(report) + " --pdf " + Quoted(pdf)).code, 0);
    ExpectContains(PdfText(pdf), kEverything);
    const std::string instance = folder.File("foreign-pdf.dcm");
    const std::string extracted = folder.File("extracted.pdf");
    ASSERT_EQ(SrReport("export-pdf " + Quoted(report) + " -o " + Quoted(instance)).code, 0);
    ASSERT_EQ(RunTool("dcm2pdf " + Quoted(instance) + " " + Quoted(extracted)).nExitCode, 0);
    ExpectContains(PdfText(extracted), kEverything);
}

// A finding of several items is refused as the input it is; the verified report is amended into
// a document that keeps every item and holds the new finding once.
TEST(SrReportForeignReport, EditsNeverLeaveTwoConflictingFindings)
{
    TempDir folder;
    const std::string draft = folder.File("draft.dcm");
    const std::string verified = folder.File("verified.dcm");
    ASSERT_EQ(WriteSR(draft, Foreign(0)), "");
    ASSERT_EQ(WriteSR(verified, Foreign(2)), "");
    const std::string out = folder.File("out.dcm");

    Outcome edited = SrReport("edit " + Quoted(draft) + " --finding 'Changed.' -o " + Quoted(out));
    EXPECT_EQ(edited.code, 3);
    ExpectContains(edited.err, {"the finding cannot be changed here: the document holds it as 5 items"});
    EXPECT_EQ(access(out.c_str(), F_OK), -1) << "no output";
    // The Conclusion is one TEXT item: changed where it is.
    edited = SrReport("edit " + Quoted(draft) + " --conclusion 'Benign.' -o " + Quoted(out));
    ASSERT_EQ(edited.code, 0) << edited.err;
    // Besides the text, only the changed version's reference to the one it replaces.
    const std::string before = RunTool("dsrdump " + Quoted(draft)).strOutput;
    std::string after = RunTool("dsrdump " + Quoted(out)).strOutput;
    after.erase(after.find("Predecessor Docs    : 1\n"), 24);
    EXPECT_EQ(after, std::string(before).replace(before.find("Likely benign."), 14, "Benign.")) << after;

    edited = SrReport("edit " + Quoted(verified) + " --finding 'Mass grown to 4 cm.' -o " + Quoted(out));
    ASSERT_EQ(edited.code, 0) << edited.err;
    const std::string amended = RunTool("dsrdump " + Quoted(out)).strOutput;
    ExpectContains(amended, {"A mass of 3 cm.", "Mass grown to 4 cm.", "Likely benign.", "\"Finding Site\""});
    const Outcome shown = SrReport("show " + Quoted(out));
    ExpectContains(shown.out, {"Finding: Mass grown to 4 cm.\n"});
}

// CR LF, LF and a lone CR each break a line once: the three pages are the same pixels.
TEST(SrReportForeignReport, EveryKindOfLineBreakDrawsTheSamePage)
{
    TempDir folder;
    std::string first;
    for (const char* lineBreak : {"\r\n", "\n", "\r"}) {
        const std::string report = folder.File("breaks.dcm");
        const std::string page = folder.File("page.png");
        ASSERT_EQ(WriteSR(report, SRShape("Basic Text SR", SRText("CONTAINS", kFinding,
                                                                   std::string("Line one.") + lineBreak + "Line two."))),
                  "");
        ASSERT_EQ(SrReport("render " + Quoted(report) + " -o " + Quoted(page)).code, 0);
        const std::string pixels = ReadFile(page);
        if (first.empty()) {
            first = pixels;
        }
        EXPECT_EQ(pixels, first) << "a line break drawn differently";
        const Outcome shown = SrReport("show " + Quoted(report));
        ExpectContains(shown.out, {"Finding: Line one.\n  Line two.\n"});
    }
}

// Names read as people read them on paper: every component group, every verifier, and nothing
// for a name of separators only.
TEST(SrReportForeignReport, NamesArePrintedAsPeopleReadThem)
{
    TempDir folder;
    const std::string report = folder.File("names.dcm");
    ASSERT_EQ(WriteSR(report, SRShape("Basic Text SR",
                                      SRText("CONTAINS", kFinding, "Normal.") + 
                                          "<pname><relationship>HAS OBS CONTEXT</relationship><concept><value>121008</value>"
                                          "<scheme><designator>DCM</designator></scheme><meaning>Person Observer Name"
                                          "</meaning></concept><value><first>John</first><last>Doe</last></value></pname>",
                                      "", 2)),
              "");
    ASSERT_EQ(RunTool("dcmodify -nb -i '(0010,0010)=Yamada^Tarou=山田^太郎' -m '(0040,a073)[1].(0040,a075)=^^^^' " +
                      Quoted(report)).nExitCode, 0);
    const std::string pdf = folder.File("names.pdf");
    ASSERT_EQ(SrReport("print " + Quoted(report) + " --pdf " + Quoted(pdf)).code, 0);
    const std::string text = PdfText(pdf);
    ExpectContains(text, {"Tarou Yamada (山田 太郎)", "John Doe", "Verifier1 Roe"});
    for (const char* raw : {"Doe^John", "^^^^", "Roe^Verifier"}) {
        EXPECT_EQ(text.find(raw), std::string::npos) << raw << " printed in DICOM's form:\n" << text;
    }
}
