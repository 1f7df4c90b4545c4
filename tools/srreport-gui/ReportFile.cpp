#include "ReportFile.h"

#include <srctrl/IReportCtrl.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

constexpr DWORD kModality = 0x00080060;
constexpr DWORD kPatientName = 0x00100010;
constexpr DWORD kStudyDate = 0x00080020;
constexpr DWORD kContentDate = 0x00080023;

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
    for (DWORD tag : {kStudyDate, kContentDate}) {
        std::wstring value;
        const QDate date = report.GetValue(tag, value) ? QDate::fromString(QString::fromStdWString(value).left(8), QStringLiteral("yyyyMMdd"))
                                                       : QDate();
        if (date.isValid()) {
            return date.toString(QStringLiteral("yyyyMMdd"));
        }
    }
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

// Whether the DICOM file holds an SR document; false with the control's reason in `error` for a
// file that is not DICOM at all.
bool readKind(const QByteArray& path, bool& isReport, QString& error)
{
    KMDcmFile file;
    // Reading stops before the pixels: an image of any size is told apart quickly.
    if (!file.LoadFile(path.constData(), false)) {
        error = ReportFile::failure(QStringLiteral("Cannot open %1").arg(QFileInfo(QFile::decodeName(path)).fileName()));
        return false;
    }
    std::string modality;
    isReport = file.GetDataset()->GetString(kModality, modality) && modality == "SR";
    return true;
}

} // namespace

namespace ReportFile {

IKMReport* open(IReportCtrl& ctrl, const QString& path, bool& isDocument, QString& error)
{
    const QByteArray name = QFile::encodeName(path);
    bool isReport = false;
    isDocument = false;
    if (!readKind(name, isReport, error)) {
        return nullptr;
    }
    IKMReport* report = isReport ? ctrl.OpenReportFile(name.constData()) : ctrl.CreateReportFromImage(name.constData());
    if (report == nullptr) {
        const QString what = isReport ? QStringLiteral("Cannot open the report %1") : QStringLiteral("Cannot start a report for %1");
        error = failure(what.arg(QFileInfo(path).fileName()));
    }
    isDocument = isReport && report != nullptr;
    return report;
}

bool save(IKMReport& report, const QString& path, QString& error)
{
    if (!report.GetDcmSR()->SaveFile(QFile::encodeName(path).constData())) {
        error = failure(QStringLiteral("Cannot save %1").arg(QFileInfo(path).fileName()));
        return false;
    }
    report.SetModified(false);
    return true;
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
