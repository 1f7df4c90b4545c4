// Bad input to srreport: one line on standard error that names the cause, the documented exit
// status, and no output file, not even half of one.
#include "SrReportProcess.h"
#include "support/FullDisk.h"

#include <gtest/gtest.h>

using namespace srreport_test;
using testing_support::DataFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

struct BadRun {
    const char* what;
    // The arguments; IN is the input folder, OUT the (empty) output folder.
    std::string args;
    int code;
    const char* reason;
};

std::string Expand(std::string args, const std::string& in, const std::string& out)
{
    for (const auto& [name, folder] : {std::pair<std::string, std::string>{"IN/", in + "/"}, {"OUT/", out + "/"}}) {
        for (size_t at = args.find(name); at != std::string::npos; at = args.find(name, at + folder.size())) {
            args.replace(at, name.size(), folder);
        }
    }
    return args;
}

} // namespace

TEST(SrReportFailure, BadInputGivesOneLineItsExitCodeAndNoOutput)
{
    TempDir in;
    const std::string image = Quoted(SampleImage());
    ASSERT_EQ(SrReport("new --image " + image + " --finding 'Kept.' -o " + Quoted(in.File("report.dcm"))).code, 0);
    ASSERT_EQ(SrReport("new --image " + image + " --verify --verifier Roe^Anna --organization Clinic -o " +
                       Quoted(in.File("verified.dcm")))
                  .code,
              0);
    WriteFile(in.File("ct.dcm"), ReadFile(DataFile("ct-image.dcm")));
    WriteFile(in.File("notes.dcm"), "These are notes, not DICOM.\n");
    WriteFile(in.File("latin1.txt"), "Gr\xf6\xdf" "e\n");
    WriteFile(in.File("nul.txt"), std::string("before\0after\n", 13));
    // Inputs that must be refused at once: a FIFO nobody writes, a 2 GB file of zeros (sparse).
    ASSERT_EQ(RunTool("mkfifo " + Quoted(in.File("fifo")) + " && truncate -s 2G " + Quoted(in.File("zeros"))).nExitCode, 0);

    const std::vector<BadRun> runs = {
        {"missing input", "print IN/missing.dcm --pdf OUT/r.pdf", 3, "file not readable: IN/missing.dcm: no such file"},
        {"non-DICOM input", "show IN/notes.dcm", 3, "not a DICOM file: IN/notes.dcm"},
        {"CT where an SR is needed", "export-pdf IN/ct.dcm -o OUT/r.dcm", 3, "IN/ct.dcm is not an SR document (Modality is CT)"},
        {"non-DICOM image", "new --image IN/notes.dcm -o OUT/r.dcm", 3, "not a DICOM file: IN/notes.dcm"},
        {"unknown keyword", "new --image " + image + " --set PatientNam=X -o OUT/r.dcm", 2, "unknown DICOM keyword: \"PatientNam\""},
        {"malformed tag", "edit IN/report.dcm --set 0010,001=X -o OUT/r.dcm", 2, "not a DICOM tag: \"0010,001\""},
        {"binary attribute", "edit IN/report.dcm --set PixelData=X -o OUT/r.dcm", 2, "cannot store a text in (7FE0,0010) PixelData"},
        {"output folder missing", "print IN/report.dcm --pdf OUT/no/r.pdf", 4, "PDF not written: OUT/no/r.pdf: no such folder"},
        {"output under a file", "render IN/report.dcm -o IN/report.dcm/page.png", 4, "Not a directory"},
        {"second output unwritable", "new --image " + image + " -o OUT/r.dcm --pdf OUT/no/r.pdf", 4, "PDF not written: OUT/no/r.pdf"},
        {"a verified report written over", "edit IN/report.dcm --finding X -o IN/verified.dcm", 3, "IN/verified.dcm holds a verified report"},
        {"an Encapsulated PDF over a verified report", "export-pdf IN/report.dcm -o IN/verified.dcm", 3, "holds a verified report"},
        {"two outputs in one file", "new --image " + image + " -o OUT/r.dcm --pdf OUT/./r.dcm", 2, "-o and --pdf name the same file"},
        {"verified report edited in place", "edit IN/verified.dcm --finding X -o IN/verified.dcm", 3, "IN/verified.dcm is verified"},
        {"finding file missing", "edit IN/report.dcm --finding @IN/none.txt -o OUT/r.dcm", 3, "cannot read IN/none.txt: no such file"},
        {"finding not UTF-8", "edit IN/report.dcm --finding @IN/latin1.txt -o OUT/r.dcm", 3, "the finding is not UTF-8 text"},
        {"finding cut by a NUL", "edit IN/report.dcm --finding @IN/nul.txt -o OUT/r.dcm", 3, "the finding holds a NUL"},
        {"finding from a FIFO", "edit IN/report.dcm --finding @IN/fifo -o OUT/r.dcm", 3, "cannot read IN/fifo: not a regular file"},
        {"finding from a device", "edit IN/report.dcm --finding @/dev/zero -o OUT/r.dcm", 3, "not a regular file"},
        {"finding of 2 GB", "edit IN/report.dcm --finding @IN/zeros -o OUT/r.dcm", 3, "cannot read IN/zeros: file too large"},
        {"FIFO as input", "show IN/fifo", 3, "file not readable: IN/fifo: not a regular file"},
        {"device as input", "show /dev/zero", 3, "not a regular file"},
        {"2 GB input", "show IN/zeros", 3, "file not readable: IN/zeros: file too large"},
        {"2 GB image of zeros", "new --image IN/zeros -o OUT/r.dcm", 3, "not a DICOM file: IN/zeros"},
        {"template missing", "new --image " + image + " --template IN/none.xml -o OUT/r.dcm", 3, "cannot read template IN/none.xml"},
        {"verify without verifier", "edit IN/report.dcm --verify -o OUT/r.dcm", 2, "--verify needs --verifier NAME"},
        {"zoom out of range", "render IN/report.dcm --zoom -1 -o OUT/r.png", 2, "not a zoom"},
        {"two inputs to one output", "print IN/report.dcm IN/report.dcm --pdf-dir OUT/", 2, "two inputs would both be written to"},
        {"several inputs to one file", "print IN/report.dcm IN/verified.dcm --pdf OUT/r.pdf", 2, "--pdf takes one input"},
        {"printer that does not exist", "print IN/report.dcm --printer 'No Such Queue'", 4, "cannot print on \"No Such Queue\""},
        {"no workers", "show -j 0 IN/report.dcm", 2, "not a number of workers: \"0\""},
        {"unknown command", "frobnicate IN/report.dcm", 2, "unknown command \"frobnicate\""},
        {"unknown option", "show --color IN/report.dcm", 2, "unknown option --color"},
        {"peer without port", "send IN/report.dcm --to PACS@localhost", 2, "not a peer"},
        {"AE title too long", "send IN/report.dcm --to ABCDEFGHIJKLMNOPQ@localhost:104", 2, "not an AE title"},
        {"send of a non-DICOM file", "send IN/notes.dcm --to PACS@127.0.0.1:9", 3, "not a DICOM file"},
        {"two peers", "send IN/report.dcm --to PACS@127.0.0.1:9 --stow http://127.0.0.1:9/", 2, "give one peer"},
        {"STOW to another scheme", "send IN/report.dcm --stow ftp://127.0.0.1/studies", 2, "not an http or https URL"},
        {"password in the URL", "send IN/report.dcm --stow http://alice:pw@127.0.0.1:9/", 2, "the URL names a user"},
        {"user without password", "send IN/report.dcm --stow http://127.0.0.1:9/ --user alice", 2, "SRREPORT_PASSWORD"},
        {"STOW in workers", "send -j 2 IN/report.dcm --stow http://127.0.0.1:9/", 2, "-j is for --to"},
        {"malformed UID root", "new --image " + image + " --uid-root 1.02.3 -o OUT/r.dcm", 2, "not a UID root: \"1.02.3\""},
        {"key image not DICOM", "new --image " + image + " --key-image IN/notes.dcm -o OUT/r.dcm", 3, "key image IN/notes.dcm not put into the report: not a DICOM file"},
        {"key image frame 0", "edit IN/report.dcm --key-image IN/ct.dcm:0 -o OUT/r.dcm", 2, "frames are counted from 1"},
        {"key image frame beyond", "edit IN/report.dcm --key-image IN/ct.dcm:2 -o OUT/r.dcm", 3, "no frame 2 in the image (it has 1)"},
        {"more key images than boxes", "edit IN/report.dcm --key-image IN/ct.dcm --key-image IN/ct.dcm --key-image IN/ct.dcm -o OUT/r.dcm", 3, "no image box 2: the page has 2"},
        {"window without key image", "edit IN/report.dcm --window 40,400 -o OUT/r.dcm", 2, "--window goes after the --key-image"},
        {"window of no width", "edit IN/report.dcm --key-image IN/ct.dcm --window 40,0 -o OUT/r.dcm", 2, "--window needs CENTRE,WIDTH"},
        {"QR text too long", "new --image " + image + " --qr " + std::string(8000, 'x') + " -o OUT/r.dcm", 2, "the QR code is not shown"},
        {"KOS without key images", "export-kos IN/report.dcm -o OUT/k.dcm", 3, "the report has no key images"},
        {"UID root too long", "export-pdf IN/report.dcm --uid-root 1.2.3.4.5.6.7.8.9.10.11.12 -o OUT/r.dcm", 2, "at most 23"},
    };
    const std::string report = ReadFile(in.File("report.dcm"));
    const std::string verified = ReadFile(in.File("verified.dcm"));
    for (const BadRun& run : runs) {
        SCOPED_TRACE(run.what);
        TempDir out;
        // Bounded, so that a read that blocks or runs on fails the test instead of hanging it.
        const Outcome outcome = SrReport(Expand(run.args, in.Path(), out.Path()), "timeout 20 ");
        EXPECT_EQ(outcome.code, run.code) << outcome.err;
        EXPECT_EQ(Lines(outcome.err), 1) << outcome.err;
        EXPECT_NE(outcome.err.rfind("srreport", 0), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find(Expand(run.reason, in.Path(), out.Path())), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(Entries(out.File("")), std::vector<std::string>{}) << "nothing is left in the output folder";
        EXPECT_EQ(Entries(in.File("")),
                  (std::vector<std::string>{"ct.dcm", "fifo", "latin1.txt", "notes.dcm", "nul.txt", "report.dcm", "verified.dcm",
                                            "zeros"}));
    }
    EXPECT_EQ(ReadFile(in.File("report.dcm")), report) << "inputs are never changed by a failure";
    EXPECT_EQ(ReadFile(in.File("verified.dcm")), verified);
}

TEST(SrReportFailure, EveryCommandExplainsItselfAndTheExitCodes)
{
    const Outcome help = SrReport("--help");
    EXPECT_EQ(help.code, 0);
    for (const char* command : {"new", "edit", "print", "render", "preview", "show", "export-pdf", "send"}) {
        SCOPED_TRACE(command);
        EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << help.out;
        const Outcome own = SrReport(std::string(command) + " --help");
        EXPECT_EQ(own.code, 0);
        EXPECT_EQ(own.out.rfind(std::string("usage: srreport ") + command + " ", 0), 0u) << own.out;
        EXPECT_NE(own.out.find("  5  network error"), std::string::npos) << own.out;
        const Outcome bare = SrReport(command);
        EXPECT_EQ(bare.code, 2) << "a command without its arguments is a usage error";
        EXPECT_EQ(Lines(bare.err), 1) << bare.err;
    }
    const Outcome none = SrReport("");
    EXPECT_EQ(none.code, 2);
    EXPECT_EQ(Lines(none.err), 1);
}

// On a full disk every kind of output fails with exit 4 and the system's words for it, a file it
// was to replace keeps every byte, and nothing is left beside it; an output that was ready on
// another disk is not put in place either.
TEST(SrReportFailure, AFullDiskFailsEveryOutputAndKeepsWhatWasThere)
{
    testing_support::FullDisk full;
    if (!full.Problem().empty()) {
        GTEST_SKIP() << full.Problem();
    }
    TempDir in;
    const std::string image = Quoted(SampleImage());
    ASSERT_EQ(SrReport("new --image " + image + " --finding 'Kept.' -o " + Quoted(in.File("report.dcm"))).code, 0);
    const std::string report = ReadFile(in.File("report.dcm"));
    WriteFile(full.File("old.dcm"), report);
    WriteFile(full.File("old.pdf"), "old pdf");
    WriteFile(full.File("old.png"), "old png");
    full.Fill();
    const std::vector<std::string> kept = Entries(full.Path());
    const std::string preview = Quoted(std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml");

    const std::pair<const char*, std::string> runs[] = {
        {"new report", "new --image " + image + " -o OUT/r.dcm"},
        {"edit in place", "edit OUT/old.dcm --finding X -o OUT/old.dcm"},
        {"PDF over a PDF", "print IN/report.dcm --pdf OUT/old.pdf"},
        {"PDF into a folder", "print IN/report.dcm --pdf-dir OUT/"},
        {"PDF beside a report on another disk", "new --image " + image + " -o IN/r.dcm --pdf OUT/r.pdf"},
        {"page over a page", "render IN/report.dcm -o OUT/old.png"},
        {"thumbnail", "preview " + preview + " -o OUT/t.png"},
        {"Encapsulated PDF", "export-pdf IN/report.dcm -o OUT/e.dcm"},
    };
    for (const auto& [what, args] : runs) {
        SCOPED_TRACE(what);
        const Outcome outcome = SrReport(Expand(args, in.Path(), full.Path()));
        EXPECT_EQ(outcome.code, 4) << outcome.err;
        EXPECT_NE(outcome.err.find("No space left on device"), std::string::npos) << outcome.err;
        EXPECT_EQ(Entries(full.Path()), kept);
        EXPECT_EQ(ReadFile(full.File("old.dcm")), report);
        EXPECT_EQ(ReadFile(full.File("old.pdf")), "old pdf");
        EXPECT_EQ(ReadFile(full.File("old.png")), "old png");
        EXPECT_EQ(Entries(in.Path()), std::vector<std::string>{"report.dcm"});
    }
}
