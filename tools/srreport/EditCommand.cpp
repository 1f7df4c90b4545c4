#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "Failure.h"
#include "OutputFile.h"
#include "ReportEdits.h"
#include "ReportRunner.h"

#include "platform/kmdicom/KMDcmSR.h"

#include <dcmtk/dcmdata/dcdeftag.h>

#include <sys/stat.h>

namespace {

enum : int { kOutputDir = 400 };

const char* const kUsage =
    "usage: srreport edit REPORT.dcm... (-o OUT.dcm | --out-dir DIR) [options] [-j N]\n"
    "\n"
    "Changes SR documents and writes them anew. A verified document is never changed: the\n"
    "changes go into a new, unverified document (new UIDs) that names the verified one as its\n"
    "predecessor, and writing that over the verified file is refused.\n"
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
    "  -j N                    work on N files at a time in N processes\n";

unsigned int TagOf(const DcmTagKey& key)
{
    return static_cast<unsigned int>(key.getGroup()) << 16 | key.getElement();
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first{};
    struct stat second{};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::string Narrow(IKMReport& report, const DcmTagKey& key)
{
    std::string value;
    report.GetDcmSR()->GetDataset()->GetString(TagOf(key), value);
    return value;
}

// Names the verified document that an amendment replaces, as DICOM's Predecessor Documents
// Sequence does.
void NamePredecessor(IKMReport& amendment, IKMReport& verified)
{
    KMDcmDataset* dataset = amendment.GetDcmSR()->GetDataset();
    KMDcmDataset study;
    KMDcmDataset series;
    KMDcmDataset instance;
    const bool named =
        dataset->GetOrCreateSequenceItem(TagOf(DCM_PredecessorDocumentsSequence), study, 0) &&
        study.SetString(TagOf(DCM_StudyInstanceUID), Narrow(verified, DCM_StudyInstanceUID).c_str()) &&
        study.GetOrCreateSequenceItem(TagOf(DCM_ReferencedSeriesSequence), series, 0) &&
        series.SetString(TagOf(DCM_SeriesInstanceUID), Narrow(verified, DCM_SeriesInstanceUID).c_str()) &&
        series.GetOrCreateSequenceItem(TagOf(DCM_ReferencedSOPSequence), instance, 0) &&
        instance.SetString(TagOf(DCM_ReferencedSOPClassUID), Narrow(verified, DCM_SOPClassUID).c_str()) &&
        instance.SetString(TagOf(DCM_ReferencedSOPInstanceUID), Narrow(verified, DCM_SOPInstanceUID).c_str());
    if (!named) {
        throw Failure(ExitCode::Failed, "cannot name the verified report in its amendment");
    }
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
        NamePredecessor(*amendment.Get(), *source.Get());
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
