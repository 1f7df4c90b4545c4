#pragma once

#include "OutputFile.h"
#include "control/IReportCtrl.h"

#include <string>

// One report control in a host window of its own, as a desktop host would keep it, for the
// commands of one process (a batch worker opens report after report in it). Reports are opened
// one at a time and closed by their command.
class ReportSession {
public:
    // Throws Failure when the control cannot be created (its skins are missing, for example).
    ReportSession();
    ~ReportSession();
    ReportSession(const ReportSession&) = delete;
    ReportSession& operator=(const ReportSession&) = delete;

    IReportCtrl& Control() { return *m_pCtrl; }

    // The template for reports opened or created from now on; throws Failure for a file that is
    // missing or that the control cannot use.
    void SetTemplate(const std::string& path);

    // The text that reports opened or created from now on show as a QR code. The code belongs to
    // the page, not the document: it is printed and rendered, never stored.
    void SetQRText(const std::string& text) { m_strQRText = text; }

    // The SR document file as a new active report; throws Failure with the reason for a file
    // that is not one.
    IKMReport* OpenReport(const std::string& path);
    // A new report for the study of a DICOM image file.
    IKMReport* CreateReport(const std::string& imagePath);
    void Close(IKMReport* report);

    // Writes the report's SR document into `output`, which the caller commits; throws Failure
    // (input error) when the output is a verified report's file, which is never written over.
    void Save(IKMReport* report, OutputFile& output);

    // Prints the active report as PDF into `pdfPath`: the file appears only when complete, and a
    // failure (a full disk included) leaves the old file as it was.
    void PrintToPdf(const std::string& pdfPath);
    // Prints the active report on a CUPS queue.
    void PrintOn(const std::string& queue);

    // The active report's page as the control shows it at `zoom`, in a bitmap the caller owns.
    srctrl::HBITMAP CapturePage(IKMReport* report, float zoom);

    // A template's page without document values, fitted into maxWidth x maxHeight; the caller
    // owns the bitmap.
    srctrl::HBITMAP Preview(const std::string& templatePath, int maxWidth, int maxHeight);

private:
    // Shows the QR text on a report just opened; throws Failure when its page cannot show it.
    IKMReport* ShowQRCode(IKMReport* report);
    // Destroys the host window (and with it the control's), then the control.
    void Release();

    IReportCtrl* m_pCtrl = nullptr;
    srctrl::HWND m_hHost = nullptr;
    std::string m_strQRText;
};

// Closes a report of a session when the command that opened it is done, failed or not.
class OpenReport {
public:
    OpenReport(ReportSession& session, IKMReport* report) : m_session(session), m_pReport(report) {}
    ~OpenReport() { m_session.Close(m_pReport); }
    OpenReport(const OpenReport&) = delete;
    OpenReport& operator=(const OpenReport&) = delete;

    IKMReport* operator->() const { return m_pReport; }
    IKMReport* Get() const { return m_pReport; }

private:
    ReportSession& m_session;
    IKMReport* m_pReport;
};
