#include "ReportFile.h"

#include <srctrl/IReportCtrl.h>

#include <QFile>
#include <QFileInfo>

namespace {

constexpr DWORD kModality = 0x00080060;

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

QString failure(const QString& what)
{
    const QString reason = QString::fromUtf8(SrCtrlGetLastError());
    return reason.isEmpty() ? what + QLatin1Char('.') : what + QStringLiteral(": ") + reason;
}

} // namespace ReportFile
