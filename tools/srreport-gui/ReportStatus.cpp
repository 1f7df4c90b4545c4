#include "ReportStatus.h"

#include "ReportFile.h"
#include "ReportTabs.h"
#include <srctrl/IReportCtrl.h>

#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr srctrl::DWORD kPatientName = 0x00100010;
constexpr srctrl::DWORD kPatientID = 0x00100020;
constexpr srctrl::DWORD kVerifyingObserverName = 0x0040A075;
constexpr srctrl::DWORD kVerifyingOrganization = 0x0040A027;
constexpr srctrl::DWORD kCompletionFlag = 0x0040A491;

QString valueOf(IKMReport& report, srctrl::DWORD tag)
{
    std::wstring value;
    return report.GetValue(tag, value) ? QString::fromStdWString(value).trimmed() : QString();
}

} // namespace

namespace ReportStatus {

bool confirm(QWidget* parent, const QString& title, const QString& text, const QString& details, const QString& action)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setInformativeText(details);
    QPushButton* yes = box.addButton(action, QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    box.exec();
    return box.clickedButton() == yes;
}

QString patientOf(IKMReport& report)
{
    std::wstring name;
    QString patient = report.GetValue(kPatientName, name) ? ReportTabs::readableName(name) : QString();
    if (patient.isEmpty()) {
        patient = QObject::tr("a patient without a name");
    }
    const QString id = valueOf(report, kPatientID);
    return id.isEmpty() ? patient : QObject::tr("%1 (ID %2)").arg(patient, id);
}

QString verifierOf(IKMReport& report)
{
    std::wstring name;
    return report.GetValue(kVerifyingObserverName, name) ? ReportTabs::readableName(name) : QString();
}

Outcome complete(QWidget* parent, IKMReport& report, QString& message)
{
    const QString verifier = verifierOf(report);
    if (!confirm(parent, QObject::tr("Complete report"),
                 QObject::tr("Mark the report of %1 complete?").arg(patientOf(report)),
                 verifier.isEmpty()
                     ? QObject::tr("No verifier is named yet. A complete report can still be edited and "
                                   "reopened until it is verified.")
                     : QObject::tr("It is to be verified by %1. A complete report can still be edited and "
                                   "reopened until it is verified.")
                           .arg(verifier),
                 QObject::tr("&Complete"))) {
        return Outcome::Cancelled;
    }
    report.CompleteDocument();
    if (!report.IsCompleted()) {
        message = ReportFile::failure(QObject::tr("Cannot complete the report"));
        return Outcome::Failed;
    }
    message = QObject::tr("The report of %1 is complete.").arg(patientOf(report));
    return Outcome::Done;
}

Outcome verify(QWidget* parent, IKMReport& report, QString& message)
{
    const QString verifier = verifierOf(report);
    const QString organization = valueOf(report, kVerifyingOrganization);
    if (verifier.isEmpty() || organization.isEmpty()) {
        message = QObject::tr("Cannot verify the report: fill in \u201cVerified by\u201d and \u201cOrganization\u201d first.");
        return Outcome::Failed;
    }
    if (!confirm(parent, QObject::tr("Verify report"),
                 QObject::tr("Verify the report of %1 as %2, %3?").arg(patientOf(report), verifier, organization),
                 QObject::tr("Verifying signs the report with today's date and time and locks it: its findings, "
                             "conclusion, patient and study details and key images can no longer be changed. "
                             "A later change needs an amendment, a new report that names this one as its "
                             "predecessor."),
                 QObject::tr("&Verify"))) {
        return Outcome::Cancelled;
    }
    report.VerifyDocument();
    if (!report.IsVerified()) {
        message = ReportFile::failure(QObject::tr("Cannot verify the report"));
        return Outcome::Failed;
    }
    message = QObject::tr("The report of %1 is verified by %2.").arg(patientOf(report), verifier);
    return Outcome::Done;
}

Outcome reopen(IKMReport& report, QString& message)
{
    if (report.IsVerified()) {
        message = QObject::tr("A verified report cannot be reopened: amend it instead (Report \u25B8 Amend).");
        return Outcome::Failed;
    }
    if (!report.IsCompleted()) {
        message = QObject::tr("The report is not complete: there is nothing to reopen.");
        return Outcome::Failed;
    }
    if (!report.SetValue(kCompletionFlag, L"PARTIAL") || report.IsCompleted()) {
        message = ReportFile::failure(QObject::tr("Cannot reopen the report"));
        return Outcome::Failed;
    }
    message = QObject::tr("The report of %1 is reopened for editing (no longer complete).").arg(patientOf(report));
    return Outcome::Done;
}

} // namespace ReportStatus
