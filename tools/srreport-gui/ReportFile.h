#pragma once

#include <QString>

#include <string>

class IKMReport;
class IReportCtrl;

// Reading and writing the files of reports. Failures give false or null and, in `error`, a
// sentence that says what failed and why, for the status bar.
namespace ReportFile {

// What a DICOM file holds, as far as the editor must know before handing it to the control.
struct Kind {
    // An SR document (Modality SR), which opens as a report; anything else is taken for an image.
    bool isReport = false;
    // Number of Frames (0028,0008); 1 for an image that does not say.
    int frames = 1;
    // The patient the file is of (ID trimmed, name as DICOM writes it); empty when it does not say.
    QString patientId;
    std::wstring patientName;
    // A verified SR document, and its SOP Instance UID.
    bool isVerified = false;
    std::string sopInstanceUid;
};

// Reads the file up to its pixel data (an image of any size is told apart quickly). False for a
// file that is not DICOM; SrCtrlGetLastError() then says why (see failure()).
bool inspect(const QString& path, Kind& kind);

// Opens an SR document as a report (`isDocument` true: the report belongs to that file), or
// starts a new report for the study of any other DICOM file, an image (`isDocument` false: the
// report has no file yet). The file is only read here to tell the two apart.
IKMReport* open(IReportCtrl& ctrl, const QString& path, bool& isDocument, QString& error);

// Writes the report's SR document to `path`. The file is replaced in one step, so a failure
// leaves what was there before; the report is then no longer marked modified. A file that holds
// another document that is verified is never written over: a signed report stays as it was
// signed, and its amendment goes under a name of its own.
bool save(IKMReport& report, const QString& path, QString& error);

// The file name a report is first proposed to be saved as: Family_Given_YYYYMMDD.dcm from the
// patient's name and the study date (the report's content date, or today, without one), with
// only letters, digits and '-' of the names kept; "Report_YYYYMMDD.dcm" without a name.
QString proposedName(IKMReport& report);

// `path`, or the first of PATH_2, PATH_3, ... (before the suffix) that names no file yet.
QString unusedPath(const QString& path);

// The control's reason for its last failure, after `what`: "Cannot open x.dcm: not a DICOM file".
QString failure(const QString& what);

} // namespace ReportFile
