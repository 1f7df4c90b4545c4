#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

class IKMReport;
class IReportCtrl;
class QAction;
class QLabel;
class ReportTabs;
class SrReportWidget;

// The report editor's window: the control's page under a bar of report tabs, with menus and a
// tool bar for files, templates, zoom, completion and verification, and printing. Failures are
// told in the status bar in the control's words.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Why the control could not start (its skins are missing, for example); empty when it runs.
    QString startupError() const;

    // Opens SR documents and starts reports for images; failures go to the status bar.
    void openFiles(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    void chooseFiles();
    bool save(IKMReport* report);
    bool saveAs(IKMReport* report);
    void print();
    void chooseTemplate();
    void complete();
    void verify();
    void zoomBy(float factor);
    void fitPage();
    void closeReport(IKMReport* report);
    // Asks what to do with unsaved changes; false when the user wants to keep the report open.
    bool mayClose(IKMReport* report);
    void updateActions();
    void showError(const QString& text);
    void showInfo(const QString& text);

    IReportCtrl* ctrl() const;
    IKMReport* activeReport() const;

    SrReportWidget* m_view;
    ReportTabs* m_tabs;
    QLabel* m_errorLabel;
    QLabel* m_zoomLabel;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_templateAction = nullptr;
    QAction* m_completeAction = nullptr;
    QAction* m_verifyAction = nullptr;
    QAction* m_zoomInAction = nullptr;
    QAction* m_zoomOutAction = nullptr;
    QAction* m_fitAction = nullptr;
};
