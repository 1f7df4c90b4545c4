#pragma once

#include "Autosaver.h"
#include "RecoveryStore.h"

#include <QObject>
#include <QString>

class IKMReport;
class ReportTabs;
class SrReportWidget;

// Keeps every report with unsaved changes in the recovery folder while the editor runs, and
// offers what an earlier session left there. A report's copy is written soon after it changes
// (see Autosaver), goes when the report is saved or closed without saving, and stays when the
// session ends by a signal or a crash, for the next start to offer.
class ReportRecovery : public QObject {
    Q_OBJECT

public:
    ReportRecovery(SrReportWidget& view, ReportTabs& tabs, QObject* parent = nullptr);

    // Starts this session's recovery folder; false, with the reason, when there is none (the
    // editor works on without autosave).
    bool start(QString& error);
    // Asks about the reports an earlier session left, restores the chosen ones into the control
    // as unsaved reports of their files, and discards the others (unless the person keeps them
    // for later). Failures go to `error`, one line each.
    void offer(QWidget* parent, QString& error);

    // The person's input may have changed the active report.
    void inputArrived();
    // The report was saved, or closed without saving: its copy goes.
    void settled(IKMReport* report);
    // Writes every report with unsaved changes now (the session is ending); copies stay.
    void writeAll();
    // The last reason a copy could not be written; empty when the last write went well (a write
    // ends shortly after it is asked for: lastError tells of those that ended).
    QString lastError() const { return m_lastError; }

signals:
    // A copy could not be written (the status bar tells it).
    void failed(const QString& reason);

private:
    void write(IKMReport* report);
    // How a copy's writing ended, on this object's thread.
    void written(bool ok, const QString& reason);

    SrReportWidget& m_view;
    ReportTabs& m_tabs;
    RecoveryStore m_store;
    Autosaver m_autosaver;
    QString m_lastError;
};
