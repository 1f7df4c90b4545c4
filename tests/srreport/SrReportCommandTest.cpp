// The subcommands of srreport on the sample study and on generated inputs, each run as a
// process and its output checked with DCMTK, dciodvfy and poppler.
#include "SrReportProcess.h"

#include <gtest/gtest.h>

using namespace srreport_test;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const char* const kSampleStudyUid = "2.25.176543211234567890123456789012345678901";

// A report on the sample study with a finding and a conclusion, written into `folder`.
std::string NewReport(const TempDir& folder, const std::string& name, const std::string& finding,
                      const std::string& more = "")
{
    const std::string path = folder.File(name);
    const Outcome made = SrReport("new --image " + Quoted(SampleImage()) + " --finding " + Quoted(finding) +
                                  " --conclusion 'Normal study.' " + more + " -o " + Quoted(path));
    EXPECT_EQ(made.code, 0) << made.err;
    return path;
}

} // namespace

TEST(SrReportCommand, NewWritesAValidReportOfTheStudyWithItsPdfAndPage)
{
    TempDir folder;
    const std::string report = folder.File("report.dcm");
    const std::string pdf = folder.File("report.pdf");
    const std::string png = folder.File("page.png");
    const Outcome made = SrReport("new --image " + Quoted(SampleImage()) +
                                  " --finding 'A 4 mm nodule in the right upper lobe.' --conclusion 'Follow-up in 6 months.'"
                                  " --author 'Doe^John' --set StudyDescription='CT chest' --set 0008,0050=ACC-77"
                                  " --complete -o " + Quoted(report) + " --pdf " + Quoted(pdf) + " --png " + Quoted(png));
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(made.err, "");

    EXPECT_EQ(DciodvfyErrors(report), "");
    ExpectContains(RunTool("dsrdump +Pl " + Quoted(report)).strOutput,
                   {"A 4 mm nodule in the right upper lobe.", "Completion Flag     : COMPLETE", "\"Doe^John\""});
    // StudyDescription is set by keyword, AccessionNumber by number.
    ExpectValues(report, {{"PatientID", "SRCTRL-0001"}, {"StudyInstanceUID", kSampleStudyUid},
                          {"StudyDescription", "CT chest"}, {"AccessionNumber", "ACC-77"}});
    // The patient's name as people read it.
    ExpectContains(PdfText(pdf), {"A 4 mm nodule in the right upper lobe.", "Follow-up in 6 months.", "Patient Sample"});
    const PngSize page = ReadPngSize(png);
    EXPECT_EQ(page.width, 794);
    EXPECT_EQ(page.height, 1123);
}

TEST(SrReportCommand, TextBeyondAsciiReachesTheDocumentAndThePrint)
{
    TempDir folder;
    WriteFile(folder.File("finding.txt"), "Größe 3 cm, \"rund\".\n肺结节，边界清楚。\n");
    const std::string report = NewReport(folder, "report.dcm", "x",
                                         "--finding @" + Quoted(folder.File("finding.txt")) +
                                             " --set PatientName='Ørsted^Hans'");
    EXPECT_EQ(DciodvfyErrors(report), "");
    const Outcome shown = SrReport("show --json " + Quoted(report));
    ASSERT_EQ(shown.code, 0) << shown.err;
    EXPECT_NE(shown.out.find("\"patientName\":\"Ørsted^Hans\""), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"finding\":\"Größe 3 cm, \\\"rund\\\".\\r\\n肺结节，边界清楚。\""), std::string::npos)
        << "the file's last newline is not part of the text, the others are, as DICOM's CR LF: " << shown.out;

    const std::string pdf = folder.File("report.pdf");
    const Outcome printed = SrReport("print " + Quoted(report) + " --pdf " + Quoted(pdf));
    ASSERT_EQ(printed.code, 0) << printed.err;
    ExpectContains(PdfText(pdf), {"Hans Ørsted", "肺结节，边界清楚。"});
}

TEST(SrReportCommand, ShowTellsWhatTheDocumentHoldsAndNothingElse)
{
    TempDir folder;
    const std::string report = NewReport(folder, "report.dcm", "Line one.\nLine two.");
    const Outcome text = SrReport("show " + Quoted(report));
    ASSERT_EQ(text.code, 0) << text.err;
    ExpectContains(text.out, {"Patient name: Patient Sample\n", "Finding: Line one.\n  Line two.\n", "Verification: UNVERIFIED\n"});
    EXPECT_EQ(text.out.find("Verified by"), std::string::npos) << "an unverified report has no verifier";

    const Outcome json = SrReport("show --json " + Quoted(report) + " " + Quoted(report));
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(Lines(json.out), 2) << "one object per file: " << json.out;
    ExpectContains(json.out, {"\"verifier\":null", "\"verified\":false", "\"conclusion\":\"Normal study.\""});
}

TEST(SrReportCommand, EditAmendsAVerifiedReportIntoANewDocument)
{
    TempDir folder;
    const std::string draft = NewReport(folder, "draft.dcm", "First reading.");
    const std::string verified = folder.File("verified.dcm");
    Outcome edited = SrReport("edit " + Quoted(draft) + " --finding 'Final reading.' --verify --verifier 'Roe^Anna'"
                              " --organization 'City Hospital' -o " + Quoted(verified));
    ASSERT_EQ(edited.code, 0) << edited.err;
    EXPECT_EQ(DciodvfyErrors(verified), "");
    // An unverified report is edited into its next version, in its series.
    ExpectValues(verified, {{"VerificationFlag", "VERIFIED"}, {"VerifyingObserverName", "Roe^Anna"},
                            {"SeriesInstanceUID", DumpValue(draft, "SeriesInstanceUID")}, {"InstanceNumber", "2"},
                            {"ReferencedSOPInstanceUID", DumpValue(draft, "SOPInstanceUID")}});
    EXPECT_NE(DumpValue(verified, "SOPInstanceUID"), DumpValue(draft, "SOPInstanceUID"));

    // Editing it in place is refused: SrReportFailureTest.
    const std::string before = ReadFile(verified);
    const std::string amended = folder.File("amended.dcm");
    edited = SrReport("edit " + Quoted(verified) + " --finding 'Amended reading.' -o " + Quoted(amended));
    ASSERT_EQ(edited.code, 0) << edited.err;
    EXPECT_EQ(ReadFile(verified), before) << "the verified file is never touched";
    EXPECT_EQ(DciodvfyErrors(amended), "") << "an unverified amendment carries no verifying observer";
    // The amendment names the verified document after the verified document's own predecessor.
    ExpectValues(amended, {{"VerificationFlag", "UNVERIFIED"}, {"CompletionFlag", "PARTIAL"}, {"VerifyingObserverName", ""},
                           {"StudyInstanceUID", kSampleStudyUid}});
    EXPECT_NE(SrReport("show --json " + Quoted(amended))
                  .out.find("\"predecessors\":[\"" + DumpValue(draft, "SOPInstanceUID") + "\",\"" +
                            DumpValue(verified, "SOPInstanceUID") + "\"]"),
              std::string::npos);
    EXPECT_NE(DumpValue(amended, "SOPInstanceUID"), DumpValue(verified, "SOPInstanceUID"));
    // The rest of the content is kept.
    ExpectContains(RunTool("dsrdump +Pl " + Quoted(amended)).strOutput, {"Amended reading.", "Normal study."});
}

TEST(SrReportCommand, ExportPdfWritesAValidEncapsulatedPdfOfTheSameStudy)
{
    TempDir folder;
    // A site's own UID root for everything made.
    const std::string root = "1.999.4711";
    const std::string report = NewReport(folder, "report.dcm", "No pneumothorax.", "--uid-root " + root);
    const std::string instance = folder.File("report-pdf.dcm");
    const Outcome exported = SrReport("export-pdf --uid-root " + root + " " + Quoted(report) + " -o " + Quoted(instance));
    ASSERT_EQ(exported.code, 0) << exported.err;
    for (const std::string& file : {report, instance}) {
        for (const char* uid : {"SOPInstanceUID", "SeriesInstanceUID"}) {
            EXPECT_EQ(DumpValue(file, uid).rfind(root + ".", 0), 0u) << file << " " << uid;
        }
    }

    EXPECT_EQ(DciodvfyErrors(instance), "");
    ExpectValues(instance, {{"SOPClassUID", "1.2.840.10008.5.1.4.1.1.104.1"}, {"Modality", "DOC"},
                            {"DocumentTitle", "Diagnostic Imaging Report"},
                            {"MIMETypeOfEncapsulatedDocument", "application/pdf"},
                            {"ReferencedSOPInstanceUID", DumpValue(report, "SOPInstanceUID")}});
    for (const char* same : {"PatientName", "PatientID", "PatientBirthDate", "StudyInstanceUID", "StudyDate"}) {
        EXPECT_EQ(DumpValue(instance, same), DumpValue(report, same)) << same;
    }
    EXPECT_NE(DumpValue(instance, "SeriesInstanceUID"), DumpValue(report, "SeriesInstanceUID")) << "a series of its own";

    // DCMTK's own extractor gives back the PDF, which must be the printed report.
    const std::string pdf = folder.File("extracted.pdf");
    ASSERT_EQ(RunTool("dcm2pdf " + Quoted(instance) + " " + Quoted(pdf)).nExitCode, 0);
    EXPECT_NE(PdfText(pdf).find("No pneumothorax."), std::string::npos);
}

TEST(SrReportCommand, KeyImagesAndQRCodeReachThePageThePdfAndAKeyObjectSelection)
{
    TempDir folder;
    ASSERT_EQ(RunTool(std::string(SRCTRL_SOURCE_DIR) + "/tests/data/images/make-key-images.sh " + Quoted(folder.Path())).nExitCode, 0);
    const std::string report = folder.File("report.dcm");
    const std::string pdf = folder.File("report.pdf");
    const std::string png = folder.File("page.png");
    const std::string link = "https://viewer.example.org/study/2.25.31234567890";
    const Outcome made = SrReport("new --image " + Quoted(folder.File("ct16.dcm")) + " --author 'Roe^Anna' --key-image " +
                                  Quoted(folder.File("ct16.dcm")) + " --window 40,400 --key-image " +
                                  Quoted(folder.File("frames.dcm")) + ":2 --qr " + Quoted(link) + " -o " + Quoted(report) +
                                  " --pdf " + Quoted(pdf) + " --png " + Quoted(png));
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(RunTool("zbarimg -q --raw " + Quoted(png) + " 2>/dev/null").strOutput, link + "\n");
    // Both pictures are in the PDF as JPEG, as the document keeps them.
    EXPECT_EQ(RunTool("pdfimages -list " + Quoted(pdf) + " | grep -c ' jpeg '").strOutput, "2\n");
    EXPECT_EQ(DciodvfyErrors(report), "");
    ExpectContains(RunTool("dsrdump " + Quoted(report)).strOutput,
                   {"IMAGE:(,,\"Best illustration of finding\")=(CT image,)", "(SCb image,,2)"});

    const std::string kos = folder.File("report-kos.dcm");
    const Outcome exported = SrReport("export-kos --out-dir " + Quoted(folder.Path()) + " " + Quoted(report));
    ASSERT_EQ(exported.code, 0) << exported.err;
    EXPECT_EQ(DciodvfyErrors(kos), "");
    ExpectValues(kos, {{"SOPClassUID", "1.2.840.10008.5.1.4.1.1.88.59"}, {"Modality", "KO"}});
    for (const char* same : {"PatientName", "PatientID", "StudyInstanceUID"}) {
        EXPECT_EQ(DumpValue(kos, same), DumpValue(report, same)) << same;
    }
    EXPECT_NE(DumpValue(kos, "SeriesInstanceUID"), DumpValue(report, "SeriesInstanceUID"));
    ExpectContains(RunTool("dsrdump " + Quoted(kos)).strOutput,
                   {"CONTAINER:(,,\"Of Interest\")", "PNAME:(,,\"Person Observer Name\")=\"Roe^Anna\"",
                    "contains IMAGE:=(CT image,)", "contains IMAGE:=(SCb image,,2)"});
}

TEST(SrReportCommand, RenderAndPreviewDrawPagesAtTheAskedSize)
{
    TempDir folder;
    const std::string with = NewReport(folder, "with.dcm", "Consolidation in the left lower lobe.");
    const std::string without = NewReport(folder, "without.dcm", "");
    Outcome rendered = SrReport("render " + Quoted(with) + " " + Quoted(without) + " --out-dir " + Quoted(folder.File("")) +
                                " --zoom 0.5");
    ASSERT_EQ(rendered.code, 0) << rendered.err;
    EXPECT_EQ(ReadPngSize(folder.File("with.png")).width, 397);
    EXPECT_EQ(ReadPngSize(folder.File("with.png")).height, 562);
    EXPECT_NE(ReadFile(folder.File("with.png")), ReadFile(folder.File("without.png")))
        << "the page shows the document's finding";

    // The page that new renders is the page of the document it writes: a value set on the
    // command line shows, and nothing the document no longer holds.
    const std::string renamed = NewReport(folder, "renamed.dcm", "Renamed.",
                                          "--set PatientName='Other^Name' --png " + Quoted(folder.File("new.png")));
    rendered = SrReport("render " + Quoted(renamed) + " -o " + Quoted(folder.File("renamed.png")));
    ASSERT_EQ(rendered.code, 0) << rendered.err;
    EXPECT_EQ(ReadFile(folder.File("new.png")), ReadFile(folder.File("renamed.png")));

    const std::string skin = SrReportPath().substr(0, SrReportPath().find_last_of('/')) + "/skin/srctrl/default_template.xml";
    const Outcome preview = SrReport("preview " + Quoted(skin) + " --size 200x200 -o " + Quoted(folder.File("thumb.png")));
    ASSERT_EQ(preview.code, 0) << preview.err;
    const PngSize thumb = ReadPngSize(folder.File("thumb.png"));
    EXPECT_EQ(thumb.width, 141) << "an A4 page keeps its proportions in a square box";
    EXPECT_EQ(thumb.height, 200);
}

TEST(SrReportCommand, ABatchReportsEachFailureAndDoesTheRest)
{
    TempDir folder;
    const std::string report = NewReport(folder, "a.dcm", "Batch finding.");
    std::string inputs;
    for (const char* name : {"b.dcm", "c.dcm", "d.dcm", "e.dcm"}) {
        WriteFile(folder.File(name), ReadFile(report));
    }
    WriteFile(folder.File("ct.dcm"), ReadFile(testing_support::DataFile("ct-image.dcm")));
    for (const char* name : {"a.dcm", "b.dcm", "ct.dcm", "c.dcm", "missing.dcm", "d.dcm", "e.dcm"}) {
        inputs += " " + Quoted(folder.File(name));
    }
    for (const char* workers : {"1", "3"}) {
        SCOPED_TRACE(std::string("-j ") + workers);
        const std::string out = folder.File(std::string("out") + workers);
        ASSERT_EQ(RunTool("mkdir " + Quoted(out)).nExitCode, 0);
        const Outcome printed = SrReport("print -j " + std::string(workers) + inputs + " --pdf-dir " + Quoted(out));
        EXPECT_EQ(printed.code, 3) << "the first failure was an input error";
        EXPECT_EQ(printed.out, "");
        EXPECT_EQ(Lines(printed.err), 3) << "two failures and a summary, no progress bar on a pipe: " << printed.err;
        EXPECT_EQ(printed.err.find('\r'), std::string::npos);
        ExpectContains(printed.err, {"ct.dcm is not an SR document (Modality is CT)",
                                     "missing.dcm: no such file", "2 of 7 files failed"});
        EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf", "d.pdf", "e.pdf"}));
        EXPECT_NE(PdfText(out + "/e.pdf").find("Batch finding."), std::string::npos);
    }

    // On a terminal the same batch draws a progress bar, and clears it before each message.
    const std::string out = folder.File("tty");
    ASSERT_EQ(RunTool("mkdir " + Quoted(out)).nExitCode, 0);
    const std::string onTerminal =
        RunTool("script -qec " + Quoted(Quoted(SrReportPath()) + " print -j 2" + inputs + " --pdf-dir " + Quoted(out)) +
                " /dev/null")
            .strOutput;
    ExpectContains(onTerminal, {"] 7/7, 2 failed", "\r\033[Ksrreport: "});

    const Outcome shown = SrReport("show -j 2 " + Quoted(folder.File("a.dcm")) + " " + Quoted(folder.File("ct.dcm")) +
                                   " " + Quoted(folder.File("b.dcm")));
    EXPECT_EQ(shown.code, 3);
    const size_t first = shown.out.find("File: " + folder.File("a.dcm"));
    const size_t second = shown.out.find("File: " + folder.File("b.dcm"));
    ASSERT_NE(first, std::string::npos) << shown.out;
    EXPECT_NE(second, std::string::npos) << shown.out;
    EXPECT_LT(first, second) << "output keeps the order of the files";
}

// An output written over a file keeps that file's mode, owner and group, a link given as the
// output is written through (the link stays), and a new output gets the mode the umask gives.
TEST(SrReportCommand, OutputsKeepTheModeOwnerAndLinksOfWhatTheyReplace)
{
    TempDir folder;
    const std::string report = NewReport(folder, "report.dcm", "Private finding.");
    const bool root = geteuid() == 0;
    const std::pair<const char*, std::string> writers[] = {
        {"edit in place", "edit TARGET --finding Changed -o TARGET"},
        {"print", "print " + Quoted(report) + " --pdf TARGET"},
        {"render", "render " + Quoted(report) + " -o TARGET"},
    };
    for (const auto& [what, args] : writers) {
        SCOPED_TRACE(what);
        const std::string stored = folder.File("stored");
        const std::string link = folder.File("link");
        ASSERT_EQ(RunTool("cp " + Quoted(report) + " " + Quoted(stored) + " && chmod 600 " + Quoted(stored) +
                          (root ? " && chown 1234:5678 " + Quoted(stored) : "") + " && ln -sf stored " + Quoted(link))
                      .nExitCode,
                  0);
        std::string command = args;
        for (size_t at; (at = command.find("TARGET")) != std::string::npos;) {
            command.replace(at, 6, Quoted(link));
        }
        const Outcome outcome = SrReport(command);
        ASSERT_EQ(outcome.code, 0) << outcome.err;
        EXPECT_TRUE(testing_support::IsLink(link));
        EXPECT_NE(ReadFile(stored), ReadFile(report)) << "the file behind the link got the new content";
        EXPECT_EQ(testing_support::ModeOf(stored), 0600u);
        if (root) {
            EXPECT_EQ(RunTool("stat -c %u:%g " + Quoted(stored)).strOutput, "1234:5678\n");
        }
    }
    const Outcome fresh = SrReport("render " + Quoted(report) + " -o " + Quoted(folder.File("fresh.png")), "umask 027;");
    ASSERT_EQ(fresh.code, 0) << fresh.err;
    EXPECT_EQ(testing_support::ModeOf(folder.File("fresh.png")), 0640u);
}

// A worker killed while it writes a PDF leaves no half-written file: the batch removes what the
// worker had begun, names the failure and does the rest.
TEST(SrReportCommand, AKilledWorkerLeavesNoTemporaryFile)
{
    TempDir folder;
    std::string words;
    for (int i = 0; i < 20000; ++i) {
        words += "word" + std::to_string(i % 97) + (i % 12 == 11 ? ".\n" : " ");
    }
    testing_support::WriteFile(folder.File("long.txt"), words);
    std::string inputs;
    for (const char* name : {"a.dcm", "b.dcm", "c.dcm", "d.dcm"}) {
        inputs += " " + Quoted(NewReport(folder, name, "@" + folder.File("long.txt")));
    }
    const std::string out = folder.File("out");
    ASSERT_EQ(RunTool("mkdir " + Quoted(out)).nExitCode, 0);
    // The temporary file's name carries the process that writes it: that worker is killed.
    const std::string script =
        Quoted(SrReportPath()) + " print -j 2" + inputs + " --pdf-dir " + Quoted(out) + " 2>/dev/null & batch=$!\n"
        "for i in $(seq 3000); do f=$(ls -A " + Quoted(out) + " | grep '\\.tmp\\.' | head -n1); [ -n \"$f\" ] && break; sleep 0.01; done\n"
        "w=${f##*.tmp.}; kill -9 ${w%%.*}; wait $batch; echo $?";
    const auto run = RunTool("bash -c " + Quoted(script));
    EXPECT_EQ(run.strOutput, "1\n") << "a worker that ended fails its file";
    for (const std::string& name : Entries(out)) {
        EXPECT_NE(name.front(), '.') << "left behind: " << name;
    }
    EXPECT_EQ(Entries(out).size(), 3u) << "the other reports were printed";
}
