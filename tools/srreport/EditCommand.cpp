#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "Failure.h"
#include "OutputFile.h"
#include "ReportEdits.h"
#include "ReportRunner.h"

#include <sys/stat.h>

namespace {

enum : int { kOutputDir = 400 };

const char* const kUsage =
    "usage: srreport edit REPORT.dcm... (-o OUT.dcm | --out-dir DIR) [options] [-j N]\n"
    "\n"
    "Changes SR documents and writes them anew, each as a new version: a new SOP Instance UID\n"
    "that names the document read as its predecessor, so that an archive that holds the earlier\n"
    "version keeps both. A verified document is never changed: the changes go into a new,\n"
    "unverified amendment, and writing that over the verified file is refused.\n"
    "\n"
    "  -o, --output FILE       the document to write (one input)\n"
    "  --out-dir DIR           write each input's document into DIR under the input's name\n"
    "  --set TAG=TEXT          store TEXT in TAG, \"0010,0010\" or a keyword (\"PatientName\");\n"
    "                          repeatable\n"
    "  --finding TEXT|@FILE    the finding, given inline or read from a UTF-8 file\n"
    "  --conclusion TEXT|@FILE the conclusion\n"
    "  --author NAME           the author observer's name\n"
    "  --complete              mark the document complete\n"
    "  --verify --verifier NAME --organization ORG\n"
    "                          mark it verified (and complete) by that observer\n"
    "  --uid-root ROOT         make new UIDs under ROOT, the site's own (default 2.25: UUIDs)\n"
    "  --key-image IMAGE.dcm[:FRAME]\n"
    "                          a DICOM image (or frame, from 1) for the next image box, shown\n"
    "                          through its own window; repeatable, in box order\n"
    "  --window CENTRE,WIDTH   the window of the --key-image before it\n"
    "  -j N                    work on N files at a time in N processes\n";

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first{};
    struct stat second{};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

class EditRunner : public ReportRunner {
public:
    explicit EditRunner(const ReportEdits& edits) : m_edits(edits) {}

    std::string Run(const Job& job) override
    {
        ReportSession& session = Session();
        OutputFile output(job.strOutput);
        const OpenReport source(session, session.OpenReport(job.strInput));
        if (!source->IsVerified()) {
            m_edits.Apply(*source.Get());
            session.Save(source.Get(), output);
            output.Commit();
            return "";
        }
        if (SameFile(job.strInput, job.strOutput)) {
            throw Failure(ExitCode::Input, job.strInput + " is verified and is not changed in place; write the amended "
                                                          "report to another file");
        }
        IKMReport* copy = session.Control().CreateReportFromReport(source.Get());
        if (copy == nullptr) {
            throw Failure(ExitCode::Failed, "the control cannot amend " + job.strInput);
        }
        const OpenReport amendment(session, copy);
        m_edits.Apply(*amendment.Get());
        session.Save(amendment.Get(), output);
        output.Commit();
        return "";
    }

private:
    const ReportEdits& m_edits;
};

ExitCode Run(int argc, char** argv)
{
    ReportEdits edits;
    std::string output;
    std::string outputDir;
    int workers = 1;
    std::vector<option> options = ReportEdits::Options();
    options.insert(options.end(), {
                                      {"output", required_argument, nullptr, 'o'},
                                      {"out-dir", required_argument, nullptr, kOutputDir},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0},
                                  });
    const auto files = CommandLine::Parse(argc, argv, "ho:j:", options.data(), [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'o': output = value; break;
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case kOutputDir: outputDir = value; break;
        default: edits.Take(c, value); break;
        }
    });
    CommandLine::RequireFiles(files, "report");
    edits.Check();
    Batch batch(CommandLine::JobsFor(files, output, outputDir, ".dcm", "-o", "--out-dir"), workers);
    return batch.Run([&edits] { return std::make_unique<EditRunner>(edits); });
}

} // namespace

const Command kEditCommand{"edit", "change reports; a verified one is amended into a new document", kUsage, Run};
