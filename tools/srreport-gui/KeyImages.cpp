#include "KeyImages.h"

#include "ReportFile.h"
#include "ReportTabs.h"
#include <srctrl/IReportCtrl.h>

#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QList>
#include <QObject>
#include <QStringList>

namespace {

// Box i's picture is the Encapsulated Document of item i of the Referenced Image Sequence, as
// stored files and hosts have always found it; an empty item stands for an empty box.
constexpr srctrl::DWORD kReferencedImageSequence = 0x00081140;
constexpr srctrl::DWORD kEncapsulatedDocument = 0x00420011;
constexpr srctrl::DWORD kPatientID = 0x00100020;

QString boxName(int box)
{
    return QObject::tr("image box %1").arg(box + 1);
}

// The same at the start of a sentence or in a list.
QString capitalBoxName(int box)
{
    return QObject::tr("Image box %1").arg(box + 1);
}

// The boxes, among 0..count-1, that do (or do not) hold a picture.
QList<int> boxesHolding(IKMReport& report, bool picture)
{
    QList<int> boxes;
    for (int box = 0; box < report.GetImageBoxCount(); ++box) {
        if (KeyImages::holdsPicture(report, box) == picture) {
            boxes << box;
        }
    }
    return boxes;
}

// Asks which of `boxes` to act on, `preferred` chosen at first; -1 when the person cancels.
int chooseBox(QWidget* parent, const QString& title, const QString& question, const QList<int>& boxes, int preferred)
{
    QStringList names;
    for (int box : boxes) {
        names << capitalBoxName(box);
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, question, names, static_cast<int>(boxes.indexOf(preferred)),
                                                 false, &ok);
    return ok ? boxes.value(static_cast<int>(names.indexOf(chosen)), -1) : -1;
}

// Whether an image of another patient (by Patient ID) may go into the report: the person is asked,
// since a patient may have another ID at another site, but a wrong patient's image must not slip in.
bool maySharePatient(QWidget* parent, IKMReport& report, const QString& name, const ReportFile::Kind& kind)
{
    std::wstring id;
    const QString ours = report.GetValue(kPatientID, id) ? QString::fromStdWString(id).trimmed() : QString();
    if (ours.isEmpty() || kind.patientId.isEmpty() || ours == kind.patientId) {
        return true;
    }
    const QString theirs = ReportTabs::readableName(kind.patientName);
    return ReportStatus::confirm(parent, QObject::tr("Image of another patient"),
                                 QObject::tr("%1 is an image of %2, not of %3.")
                                     .arg(name,
                                          theirs.isEmpty() ? QObject::tr("patient ID %1").arg(kind.patientId)
                                                           : QObject::tr("%1 (ID %2)").arg(theirs, kind.patientId),
                                          ReportStatus::patientOf(report)),
                                 QObject::tr("A key image shows the report's patient. Put it in only when it is the "
                                             "same person under another ID."),
                                 QObject::tr("&Put It In"));
}

} // namespace

namespace KeyImages {

bool mayChange(IKMReport& report, QString& message)
{
    // Said in the editor's words: the control's texts name the calls a host would make instead.
    if (report.IsVerified()) {
        message = QObject::tr("The report is verified: its key images cannot change. Report \u25B8 Amend starts an "
                              "amended copy that can take others.");
        return false;
    }
    if (report.GetImageBoxCount() == 0) {
        message = QObject::tr("The page has no image boxes for key images: show them with a template that has them "
                              "(Report \u25B8 Template).");
        return false;
    }
    return true;
}

Outcome put(QWidget* parent, IKMReport& report, int box, const QString& path, QString& message)
{
    const QString name = QFileInfo(path).fileName();
    const QString failed = QObject::tr("Cannot add the key image %1").arg(name);
    if (!mayChange(report, message)) {
        return Outcome::Failed;
    }
    ReportFile::Kind kind;
    if (!ReportFile::inspect(path, kind)) {
        message = ReportFile::failure(failed);
        return Outcome::Failed;
    }
    if (!maySharePatient(parent, report, name, kind)) {
        return Outcome::Cancelled;
    }
    int frame = 1;
    if (kind.frames > 1) {
        bool ok = false;
        frame = QInputDialog::getInt(parent, QObject::tr("Choose a frame"),
                                     QObject::tr("%1 has %2 frames. The frame to show:").arg(name).arg(kind.frames), 1, 1,
                                     kind.frames, 1, &ok);
        if (!ok) {
            return Outcome::Cancelled;
        }
    }
    if (box < 0) {
        const QList<int> empty = boxesHolding(report, false);
        // With every box full, the last is proposed: the first ones usually hold the main finding.
        box = !empty.isEmpty() ? empty.first()
                               : chooseBox(parent, QObject::tr("Replace a key image"),
                                           QObject::tr("Every image box holds a picture. Replace the one in:"),
                                           boxesHolding(report, true), report.GetImageBoxCount() - 1);
        if (box < 0) {
            return Outcome::Cancelled;
        }
    }
    if (!report.SetKeyImageFile(box, QFile::encodeName(path).constData(), frame, nullptr)) {
        message = ReportFile::failure(failed);
        return Outcome::Failed;
    }
    message = kind.frames > 1 ? QObject::tr("Frame %1 of %2 is in %3").arg(frame).arg(name, boxName(box))
                              : QObject::tr("%1 is in %2").arg(name, boxName(box));
    return Outcome::Done;
}

Outcome remove(QWidget* parent, IKMReport& report, int box, QString& message)
{
    if (!mayChange(report, message)) {
        return Outcome::Failed;
    }
    if (box < 0) {
        const QList<int> full = boxesHolding(report, true);
        if (full.isEmpty()) {
            message = QObject::tr("No image box holds a picture.");
            return Outcome::Failed;
        }
        box = chooseBox(parent, QObject::tr("Remove a key image"), QObject::tr("Empty the image box:"), full, full.first());
        if (box < 0) {
            return Outcome::Cancelled;
        }
    }
    if (!report.ClearImage(box)) {
        message = ReportFile::failure(QObject::tr("Cannot empty %1").arg(boxName(box)));
        return Outcome::Failed;
    }
    message = QObject::tr("%1 is empty").arg(capitalBoxName(box));
    return Outcome::Done;
}

bool holdsPicture(IKMReport& report, int box)
{
    KMDcmDataset item;
    const unsigned char* bytes = nullptr;
    unsigned long length = 0;
    return report.GetDcmSR()->GetDataset()->GetSequenceItem(kReferencedImageSequence, item, box) &&
           item.GetUint8Array(kEncapsulatedDocument, bytes, length) && length > 0;
}

} // namespace KeyImages
