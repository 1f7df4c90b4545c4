#include "Command.h"

#include "CommandLine.h"
#include "Failure.h"
#include "OutputFile.h"
#include "OwnedBitmap.h"
#include "PngFile.h"
#include "ReportEdits.h"
#include "ReportSession.h"

#include <filesystem>
#include <iterator>
#include <memory>

namespace {

enum : int { kImage = 400, kTemplate, kPdf, kPng, kQr };

const char* const kUsage =
    "usage: srreport new --image IMAGE.dcm -o REPORT.dcm [options]\n"
    "\n"
    "Starts a report for the patient and study of a DICOM image, fills it in and writes it as a\n"
    "DICOM SR document; optionally prints it to PDF and renders its page to PNG.\n"
    "\n"
    "  --image IMAGE.dcm       the study's image (its patient and study attributes are taken)\n"
    "  -o, --output FILE       the SR document to write\n"
    "  --template T.xml        the report template (default: the control's own)\n"
    "  --set TAG=TEXT          store TEXT in TAG, \"0010,0010\" or a keyword (\"PatientName\");\n"
    "                          repeatable\n"
    "  --finding TEXT|@FILE    the finding, given inline or read from a UTF-8 file\n"
    "  --conclusion TEXT|@FILE the conclusion\n"
    "  --author NAME           the author observer's name (DICOM person name, Family^Given)\n"
    "  --complete              mark the document complete\n"
    "  --verify --verifier NAME --organization ORG\n"
    "                          mark it verified (and complete) by that observer\n"
    "  --uid-root ROOT         make new UIDs under ROOT, the site's own (default 2.25: UUIDs)\n"
    "  --key-image IMAGE.dcm[:FRAME]\n"
    "                          a DICOM image (or frame, from 1) for the next image box, shown\n"
    "                          through its own window; repeatable, in box order\n"
    "  --window CENTRE,WIDTH   the window of the --key-image before it\n"
    "  --qr TEXT               show TEXT as the page's QR code (printed, not stored)\n"
    "  --pdf FILE              also print the report to this PDF file\n"
    "  --png FILE              also render its page to this PNG file\n"
    "\n"
    "Every output appears only when all of them are complete.\n";

std::vector<option> Options()
{
    std::vector<option> options = ReportEdits::Options();
    options.insert(options.end(), {
                                      {"image", required_argument, nullptr, kImage},
                                      {"template", required_argument, nullptr, kTemplate},
                                      {"output", required_argument, nullptr, 'o'},
                                      {"pdf", required_argument, nullptr, kPdf},
                                      {"png", required_argument, nullptr, kPng},
                                      {"qr", required_argument, nullptr, kQr},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0},
                                  });
    return options;
}

ExitCode Run(int argc, char** argv)
{
    ReportEdits edits;
    std::string image;
    std::string templatePath;
    std::string output;
    std::string pdf;
    std::string png;
    std::string qr;
    const std::vector<option> options = Options();
    const auto files = CommandLine::Parse(argc, argv, "ho:", options.data(), [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'o': output = value; break;
        case kImage: image = value; break;
        case kTemplate: templatePath = value; break;
        case kPdf: pdf = value; break;
        case kPng: png = value; break;
        case kQr: qr = value; break;
        default: edits.Take(c, value); break;
        }
    });
    if (!files.empty()) {
        throw Failure(ExitCode::Usage, "unexpected argument \"" + files.front() + "\"");
    }
    if (image.empty() || output.empty()) {
        throw Failure(ExitCode::Usage, "--image and -o are needed");
    }
    edits.Check();
    // Two outputs in one file would leave only the one written last.
    const std::pair<const std::string*, const char*> outputs[] = {{&output, "-o"}, {&pdf, "--pdf"}, {&png, "--png"}};
    for (size_t i = 0; i < std::size(outputs); ++i) {
        for (size_t j = i + 1; j < std::size(outputs); ++j) {
            if (!outputs[i].first->empty() && !outputs[j].first->empty() &&
                std::filesystem::weakly_canonical(*outputs[i].first) == std::filesystem::weakly_canonical(*outputs[j].first)) {
                throw Failure(ExitCode::Usage, std::string(outputs[i].second) + " and " + outputs[j].second + " name the same file");
            }
        }
    }

    // The document and its page are written and put on disk first; the PDF, written last, is
    // put in place by the printer itself, and only then are the others: a failure anywhere
    // leaves every output as it was.
    OutputFile report(output);
    std::unique_ptr<OutputFile> page = png.empty() ? nullptr : std::make_unique<OutputFile>(png);
    ReportSession session;
    if (!templatePath.empty()) {
        session.SetTemplate(templatePath);
    }
    session.SetQRText(qr);
    const OpenReport opened(session, session.CreateReport(image));
    edits.Apply(*opened.Get());
    session.Save(opened.Get(), report);
    if (page) {
        const OwnedBitmap bitmap(session.CapturePage(opened.Get(), 1.0f));
        page->Write(EncodePng(bitmap.Get()));
    }
    if (!pdf.empty()) {
        session.PrintToPdf(pdf);
    }
    report.Commit();
    if (page) {
        page->Commit();
    }
    return ExitCode::Ok;
}

} // namespace

const Command kNewCommand{"new", "start a report for a study's image, fill it in, write it (and print it)", kUsage, Run};
