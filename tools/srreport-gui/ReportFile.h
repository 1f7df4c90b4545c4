#pragma once

#include <QString>

class IKMReport;
class IReportCtrl;

// Reading and writing the files of reports. Failures give false or null and, in `error`, a
// sentence that says what failed and why, for the status bar.
namespace ReportFile {

// Opens an SR document as a report (`isDocument` true: the report belongs to that file), or
// starts a new report for the study of any other DICOM file, an image (`isDocument` false: the
// report has no file yet). The file is only read here to tell the two apart.
IKMReport* open(IReportCtrl& ctrl, const QString& path, bool& isDocument, QString& error);

// Writes the report's SR document to `path`. The file is replaced in one step, so a failure
// leaves what was there before; the report is then no longer marked modified.
bool save(IKMReport& report, const QString& path, QString& error);

// The file name a report is first proposed to be saved as: Family_Given_YYYYMMDD.dcm from the
// patient's name and the study date (the report's content date, or today, without one), with
// only letters, digits and '-' of the names kept; "Report_YYYYMMDD.dcm" without a name.
QString proposedName(IKMReport& report);

// The control's reason for its last failure, after `what`: "Cannot open x.dcm: not a DICOM file".
QString failure(const QString& what);

} // namespace ReportFile
