#include "ReportRecovery.h"

#include "RecoveryDialog.h"
#include "ReportTabs.h"
#include <srctrl/qt/SrReportWidget.h>
#include <srctrl/IReportCtrl.h>

#include <QFile>

ReportRecovery::ReportRecovery(SrReportWidget& view, ReportTabs& tabs, QObject* parent)
    : QObject(parent), m_view(view), m_tabs(tabs), m_autosaver([this](IKMReport* report) { write(report); })
{
    const auto changed = [this](IKMReport* report) { m_autosaver.changed(report); };
    connect(&view, &SrReportWidget::reportValueChanged, this, changed);
    connect(&view, &SrReportWidget::modifiedChanged, this, changed);
    connect(&view, &SrReportWidget::layoutChanged, this, changed);
    connect(&view, &SrReportWidget::documentCompleted, this, changed);
    connect(&view, &SrReportWidget::documentVerified, this, changed);
    connect(&view, &SrReportWidget::reportClosing, this, [this](IKMReport* report) { settled(report); });
    // Copies are written on the store's own thread; how each ended comes back to this one.
    m_store.setWrittenHandler([this](bool ok, const QString& reason) {
        QMetaObject::invokeMethod(this, [this, ok, reason] { written(ok, reason); }, Qt::QueuedConnection);
    });
}

void ReportRecovery::written(bool ok, const QString& reason)
{
    if (ok) {
        m_lastError.clear();
        return;
    }
    m_lastError = tr("Cannot keep a recovery copy: %1").arg(reason);
    emit failed(m_lastError);
}

bool ReportRecovery::start(QString& error)
{
    return m_store.open(error);
}

void ReportRecovery::inputArrived()
{
    if (m_view.reportCtrl() != nullptr) {
        m_autosaver.changed(m_view.reportCtrl()->GetActiveReport());
    }
}

void ReportRecovery::write(IKMReport* report)
{
    // Only reports still open and not saved since: a closed report's pointer is no longer used.
    if (m_view.reportCtrl() == nullptr || m_view.reportCtrl()->GetReportIndex(report) < 0 || !report->IsModified()) {
        return;
    }
    QString error;
    if (!m_store.write(*report, m_tabs.title(report), m_tabs.filePath(report), error)) {
        m_lastError = tr("Cannot keep a recovery copy of %1: %2").arg(m_tabs.title(report), error);
        emit failed(m_lastError);
    }
}

void ReportRecovery::settled(IKMReport* report)
{
    m_autosaver.forget(report);
    m_store.remove(report);
}

void ReportRecovery::writeAll()
{
    IReportCtrl* ctrl = m_view.reportCtrl();
    for (int index = 0; ctrl != nullptr && index < ctrl->GetReportCount(); ++index) {
        write(ctrl->GetReport(index));
    }
    m_store.flush();
}

void ReportRecovery::offer(QWidget* parent, QString& error)
{
    const QList<RecoveryStore::Recovered> found = m_store.findRecovered();
    IReportCtrl* ctrl = m_view.reportCtrl();
    if (found.isEmpty() || ctrl == nullptr) {
        return;
    }
    RecoveryDialog dialog(found, parent);
    dialog.exec();
    if (dialog.choice() == RecoveryDialog::Later) {
        return;
    }
    QStringList failures;
    for (int index = 0; index < found.size(); ++index) {
        const RecoveryStore::Recovered& recovered = found.at(index);
        if (dialog.choice() == RecoveryDialog::Restore && dialog.isChecked(index)) {
            KMReportSnapshot snapshot;
            QString reason;
            IKMReport* report = RecoveryStore::readSnapshot(recovered, snapshot, reason) ? ctrl->OpenReportSnapshot(snapshot) : nullptr;
            if (report == nullptr) {
                // The copy stays for another try.
                failures << tr("Cannot restore %1: %2").arg(recovered.title, reason.isEmpty() ? QString::fromUtf8(SrCtrlGetLastError()) : reason);
                continue;
            }
            m_tabs.setFilePath(report, recovered.originalPath);
            // What was restored is not in its file yet; it is this session's to keep safe now.
            report->SetModified(true);
            write(report);
        }
        RecoveryStore::discard(recovered);
    }
    error = failures.join(QLatin1Char('\n'));
}
