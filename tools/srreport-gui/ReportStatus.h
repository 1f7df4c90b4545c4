#pragma once

#include <QString>

class IKMReport;
class QWidget;

// A report's status changed as a deliberate act: completing and verifying ask first, naming the
// patient and the verifier, and verifying says what it will lock; a report completed but not
// verified can be reopened. Each says what happened in `message`, for the status bar.
namespace ReportStatus {

enum class Outcome { Done, Cancelled, Failed };

Outcome complete(QWidget* parent, IKMReport& report, QString& message);
// Needs "Verified by" and "Organization"; without them it explains and changes nothing.
Outcome verify(QWidget* parent, IKMReport& report, QString& message);
// Back to PARTIAL: DICOM lets an unverified document's completion be taken back in a new
// version (the control makes one when the document was kept); a verified report cannot be, and
// needs an amendment instead.
Outcome reopen(IKMReport& report, QString& message);

// Asks the question with the action's button and Cancel, Cancel the default, so that a stray
// Enter changes nothing; true when the person chose the action.
bool confirm(QWidget* parent, const QString& title, const QString& text, const QString& details, const QString& action);

// "Doe, John (ID 123)": the patient as the questions name them.
QString patientOf(IKMReport& report);
// The verifier as the page names them, "Smith, Anna"; empty when none is named.
QString verifierOf(IKMReport& report);

} // namespace ReportStatus
