#include "ReportSession.h"

#include "DicomInput.h"
#include "Failure.h"
#include "OwnedBitmap.h"
#include "TempFolder.h"

#include "platform/editing/Spelling.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <unistd.h>

namespace {

// The printer name under which the session's PDF file printer is registered.
constexpr const char* kPdfPrinter = "srreport PDF";

// The window the control first lives in; commands that show a page resize it to that page.
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 1130;

// A page larger than this (in pixels, at the chosen zoom) is refused rather than allocated.
constexpr double kMaxPageSide = 16384.0;

// The box of the preview that proves a template usable: big enough for a page of any shape to
// keep at least a pixel on each side.
constexpr int kProbeSize = 64;

} // namespace

ReportSession::ReportSession()
{
    // Nobody types here: a rendered page shows the document, without marks of misspelt words.
    srctrl::SetSpellChecking(false);
    m_pCtrl = CreateReportCtrl();
    m_hHost = srctrl::platform::CreateHostWindow(kWindowWidth, kWindowHeight);
    if (m_pCtrl == nullptr || m_hHost == nullptr || m_pCtrl->Create(m_hHost, 0, 0, kWindowWidth, kWindowHeight) == nullptr) {
        Release();
        throw Failure(ExitCode::Failed, "cannot create the report control (are its skins installed beside libsrctrl?)");
    }
    m_pCtrl->SetFitMode(0);
}

ReportSession::~ReportSession()
{
    Release();
}

void ReportSession::Release()
{
    if (m_hHost != nullptr) {
        srctrl::DestroyWindow(m_hHost);
        m_hHost = nullptr;
    }
    ReleaseReportCtrl(m_pCtrl);
    m_pCtrl = nullptr;
}

void ReportSession::SetTemplate(const std::string& path)
{
    if (access(path.c_str(), R_OK) != 0) {
        throw Failure(ExitCode::Input, SystemError("cannot read template", path, errno));
    }
    if (!m_pCtrl->SetTemplateFile(path.c_str())) {
        throw Failure(ExitCode::Input, "the control refused the template " + path);
    }
    // The control takes any existing file here and finds out only when it builds a page whether
    // the template is usable; a small preview builds one now, so that a broken template is
    // refused before any output is made.
    int width = 0;
    int height = 0;
    const OwnedBitmap page(m_pCtrl->CreateTemplatePreview(path.c_str(), &width, &height, kProbeSize, kProbeSize));
    if (page.Get() == nullptr) {
        throw Failure(ExitCode::Input, "not a usable report template: " + path);
    }
}

IKMReport* ReportSession::OpenReport(const std::string& path)
{
    // The control reads the file once; only a refusal is read again, for its reason.
    IKMReport* report = m_pCtrl->OpenReportFile(path.c_str());
    if (report == nullptr) {
        DicomInput::LoadReport(path);
        throw Failure(ExitCode::Input, "the control cannot open the report " + path +
                                           " (is its SOP Instance UID missing?)");
    }
    return ShowQRCode(report);
}

IKMReport* ReportSession::CreateReport(const std::string& imagePath)
{
    const auto image = DicomInput::Load(imagePath, false);
    OFString study;
    if (image->getDataset()->findAndGetOFString(DCM_StudyInstanceUID, study).bad() || study.empty()) {
        throw Failure(ExitCode::Input, "no Study Instance UID in " + imagePath + ": the report cannot name its study");
    }
    IKMReport* report = m_pCtrl->CreateReportFromImage(imagePath.c_str());
    if (report == nullptr) {
        throw Failure(ExitCode::Failed, "the control cannot start a report for " + imagePath);
    }
    return ShowQRCode(report);
}

IKMReport* ReportSession::ShowQRCode(IKMReport* report)
{
    if (!m_strQRText.empty() && !report->SetQRCode(m_strQRText.c_str())) {
        m_pCtrl->CloseReport(report);
        throw Failure(ExitCode::Usage, "the QR code is not shown: the template has no RT_QRCODE box, or the text is "
                                       "too long for a QR code");
    }
    return report;
}

void ReportSession::Close(IKMReport* report)
{
    m_pCtrl->CloseReport(report);
}

void ReportSession::Save(IKMReport* report, OutputFile& output)
{
    DicomInput::RefuseVerifiedTarget(output.Target());
    std::string bytes;
    if (!report->GetDcmSR()->SaveToBuffer(bytes)) {
        throw Failure(ExitCode::Failed, "cannot write the report to " + output.Target() + ": " + SrCtrlGetLastError());
    }
    output.Write(bytes);
    // The document is out of the control's hands now: a later change is a new version.
    report->GetDcmSR()->MarkInstanceKept();
}

void ReportSession::PrintToPdf(const std::string& pdfPath)
{
    if (!srctrl::platform::RegisterPdfPrinter(kPdfPrinter, pdfPath.c_str())) {
        throw Failure(ExitCode::Output, "cannot print to " + pdfPath);
    }
    if (!m_pCtrl->Print(kPdfPrinter)) {
        throw Failure(ExitCode::Output, SrCtrlGetLastError());
    }
}

void ReportSession::PrintOn(const std::string& queue)
{
    if (!m_pCtrl->Print(queue.c_str())) {
        throw Failure(ExitCode::Output, "cannot print on \"" + queue + "\" (is it a CUPS queue that accepts jobs?)");
    }
}

srctrl::HBITMAP ReportSession::CapturePage(IKMReport* report, float zoom)
{
    // The page's size is the template's; the control tells it through a template preview, so
    // the report's own template is saved for a moment and previewed unscaled.
    TempFolder folder;
    const std::string templatePath = folder.File("page.xml");
    if (!report->SaveTemplate(templatePath.c_str(), "page")) {
        throw Failure(ExitCode::Failed, "cannot read the report's page layout");
    }
    int side = 0;
    int unused = 0;
    int height = 0;
    // With no wanted size the preview fits the page into a square of the page's width, so its
    // longer side is that width; asked for that width, it comes at the page's own size.
    const OwnedBitmap square(m_pCtrl->CreateTemplatePreview(templatePath.c_str(), &side, &unused, 0, 0));
    side = std::max(side, unused);
    const OwnedBitmap natural(square.Get() != nullptr
                                  ? m_pCtrl->CreateTemplatePreview(templatePath.c_str(), &unused, &height, side, 1 << 20)
                                  : nullptr);
    if (natural.Get() == nullptr || side < 1 || height < 1) {
        throw Failure(ExitCode::Failed, "cannot lay out the report's page");
    }
    const double width = std::ceil(side * static_cast<double>(zoom));
    const double tall = std::ceil(height * static_cast<double>(zoom));
    if (!(width >= 1.0 && tall >= 1.0 && width <= kMaxPageSide && tall <= kMaxPageSide)) {
        throw Failure(ExitCode::Usage, "the zoom makes a page of more than 16384 pixels or less than one");
    }
    const int cx = static_cast<int>(width);
    const int cy = static_cast<int>(tall);
    srctrl::MoveWindow(m_hHost, 0, 0, cx, cy, 1);
    m_pCtrl->MoveWindow(0, 0, cx, cy);
    m_pCtrl->SetZoom(zoom);
    srctrl::HBITMAP page = srctrl::platform::CaptureWindow(m_pCtrl->GetHWND());
    if (page == nullptr) {
        throw Failure(ExitCode::Failed, "cannot capture the report's page");
    }
    return page;
}

srctrl::HBITMAP ReportSession::Preview(const std::string& templatePath, int maxWidth, int maxHeight)
{
    if (access(templatePath.c_str(), R_OK) != 0) {
        throw Failure(ExitCode::Input, SystemError("cannot read template", templatePath, errno));
    }
    int width = 0;
    int height = 0;
    srctrl::HBITMAP preview = m_pCtrl->CreateTemplatePreview(templatePath.c_str(), &width, &height, maxWidth, maxHeight);
    if (preview == nullptr) {
        throw Failure(ExitCode::Input, "not a usable report template: " + templatePath);
    }
    return preview;
}
