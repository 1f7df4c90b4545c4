#include "ReportFile.h"

#include <srctrl/IReportCtrl.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace {

constexpr srctrl::DWORD kModality = 0x00080060;
constexpr srctrl::DWORD kPatientName = 0x00100010;
constexpr srctrl::DWORD kPatientID = 0x00100020;
constexpr srctrl::DWORD kStudyDate = 0x00080020;
constexpr srctrl::DWORD kContentDate = 0x00080023;
constexpr srctrl::DWORD kNumberOfFrames = 0x00280008;
constexpr srctrl::DWORD kSOPInstanceUID = 0x00080018;
constexpr srctrl::DWORD kVerificationFlag = 0x0040A493;

// A name component as it may stand in a file name on every system.
QString fileNamePart(const QString& text)
{
    QString part;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-')) {
            part += c;
        }
    }
    return part;
}

// The report's first date of these, as YYYYMMDD.
QString reportDate(IKMReport& report)
{
    for (srctrl::DWORD tag : {kStudyDate, kContentDate}) {
        std::wstring value;
        const QDate date = report.GetValue(tag, value) ? QDate::fromString(QString::fromStdWString(value).left(8), QStringLiteral("yyyyMMdd"))
                                                       : QDate();
        if (date.isValid()) {
            return date.toString(QStringLiteral("yyyyMMdd"));
        }
    }
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

namespace ReportFile {

bool inspect(const QString& path, Kind& kind)
{
    KMDcmFile file;
    // Reading stops before the pixels.
    if (!file.LoadFile(QFile::encodeName(path).constData(), false)) {
        return false;
    }
    std::string value;
    kind.isReport = file.GetDataset()->GetString(kModality, value) && value == "SR";
    // An IS value; one that does not read as a count (or overflows) counts as one frame.
    kind.frames = file.GetDataset()->GetString(kNumberOfFrames, value)
                      ? std::max(1, QByteArray::fromStdString(value).trimmed().toInt())
                      : 1;
    std::wstring id;
    kind.patientId = file.GetDataset()->GetString(kPatientID, id) ? QString::fromStdWString(id).trimmed() : QString();
    file.GetDataset()->GetString(kPatientName, kind.patientName);
    kind.isVerified = kind.isReport && file.GetDataset()->GetString(kVerificationFlag, value) && value == "VERIFIED";
    file.GetDataset()->GetUID(kSOPInstanceUID, kind.sopInstanceUid);
    return true;
}

IKMReport* open(IReportCtrl& ctrl, const QString& path, bool& isDocument, QString& error)
{
    const QByteArray name = QFile::encodeName(path);
    Kind kind;
    isDocument = false;
    if (!inspect(path, kind)) {
        error = failure(QStringLiteral("Cannot open %1").arg(QFileInfo(path).fileName()));
        return nullptr;
    }
    IKMReport* report = kind.isReport ? ctrl.OpenReportFile(name.constData()) : ctrl.CreateReportFromImage(name.constData());
    if (report == nullptr) {
        const QString what = kind.isReport ? QStringLiteral("Cannot open the report %1") : QStringLiteral("Cannot start a report for %1");
        error = failure(what.arg(QFileInfo(path).fileName()));
    }
    isDocument = kind.isReport && report != nullptr;
    return report;
}

bool save(IKMReport& report, const QString& path, QString& error)
{
    Kind there;
    std::string ours;
    report.GetDcmSR()->GetDataset()->GetUID(kSOPInstanceUID, ours);
    if (QFileInfo::exists(path) && inspect(path, there) && there.isVerified && there.sopInstanceUid != ours) {
        error = QStringLiteral("Cannot save %1: it holds a verified report, which stays as it was signed; save under "
                               "another name")
                    .arg(QFileInfo(path).fileName());
        return false;
    }
    if (!report.GetDcmSR()->SaveFile(QFile::encodeName(path).constData())) {
        error = failure(QStringLiteral("Cannot save %1").arg(QFileInfo(path).fileName()));
        return false;
    }
    report.SetModified(false);
    return true;
}

QString unusedPath(const QString& path)
{
    const QFileInfo info(path);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString candidate = path;
    for (int n = 2; QFileInfo::exists(candidate); ++n) {
        candidate = stem + QLatin1Char('_') + QString::number(n) + suffix;
    }
    return candidate;
}

QString proposedName(IKMReport& report)
{
    std::wstring name;
    report.GetValue(kPatientName, name);
    // Family^Given^Middle^Prefix^Suffix; only the first group (the alphabetic one) names a file.
    const QStringList components = QString::fromStdWString(name).section(QLatin1Char('='), 0, 0).split(QLatin1Char('^'));
    QStringList parts;
    for (int index = 0; index < 2 && index < components.size(); ++index) {
        const QString part = fileNamePart(components.at(index));
        if (!part.isEmpty()) {
            parts << part;
        }
    }
    if (parts.isEmpty()) {
        parts << QStringLiteral("Report");
    }
    return parts.join(QLatin1Char('_')) + QLatin1Char('_') + reportDate(report) + QStringLiteral(".dcm");
}

QString failure(const QString& what)
{
    const QString reason = QString::fromUtf8(SrCtrlGetLastError());
    return reason.isEmpty() ? what + QLatin1Char('.') : what + QStringLiteral(": ") + reason;
}

} // namespace ReportFile
