#pragma once

#include "ReportStatus.h"
#include <srctrl/SurfaceInput.h>

#include <QByteArray>
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <vector>

class FindDialog;
class IKMReport;
class IReportCtrl;
class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class ReportRecovery;
class ReportTabs;
class SrReportWidget;

// The report editor's window: the control's page under a bar of report tabs, with menus and a
// tool bar for files, editing (undo, the clipboard, find and replace, spelling, canned texts),
// templates, key images, zoom, completion, verification, reopening and amending, and printing with a preview. Failures are told in the status bar in the
// control's words. A DICOM image dropped onto an image box of the page goes into that box;
// other drops open their files. Reports with unsaved changes are kept in the recovery folder (see
// ReportRecovery) until they are saved or closed without saving.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Why the control could not start (its skins are missing, for example); empty when it runs.
    QString startupError() const;

    // Opens SR documents and starts reports for images; failures go to the status bar.
    void openFiles(const QStringList& paths);
    // Offers the reports an earlier session left unsaved.
    void offerRecovery();
    // The session ends (SIGTERM, SIGHUP): every unsaved report is written to the recovery
    // folder and the window closes without asking.
    void endSession();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createEditActions();
    void createMenus();
    // Enables the Edit menu's commands as the focused text field allows (while the menu shows).
    void updateEditActions(bool showing);
    void showContextMenu(const QPoint& at);
    void runEdit(srctrl::EditCommand command);
    void showFind();
    void chooseFiles();
    bool save(IKMReport* report);
    bool saveAs(IKMReport* report);
    void print();
    void printPreview();
    // Asks for a printer (`action` names the chooser's button); false when none was chosen.
    // `printer` is the name the control prints to, `target` what the person calls it.
    bool choosePrinter(const QString& action, QByteArray& printer, QString& target);
    void printOn(const QByteArray& printer, const QString& target);
    void chooseTemplate();
    void complete();
    void verify();
    void reopen();
    void amend();
    // The line above the page that names the report an amendment replaces.
    void updateAmendmentBanner();
    void showEditMenuSnippets();
    // Key images: asks for a DICOM image for box `box` (-1: the first empty one), puts a file
    // into a box, or empties one (-1: the person picks it).
    void addKeyImage(int box);
    void putKeyImage(IKMReport* report, const QString& path, int box);
    void removeKeyImage(int box);
    // The menu of the image box under `at`: add or replace, and remove its key image.
    void showImageBoxMenu(int box, const QPoint& at);
    // Says how a deliberate change to the active report ended, in the status bar, and shows
    // what it changed; a change made reaches the recovery copy.
    void tell(ReportStatus::Outcome outcome, const QString& message);
    void zoomStep(bool in);
    void fit(int mode);
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
    QStackedWidget* m_pages;
    ReportRecovery* m_recovery;
    FindDialog* m_find = nullptr;
    // The session is ending by a signal: nothing is asked, the recovery copies stay.
    bool m_ending = false;
    QLabel* m_amendmentBanner;
    QLabel* m_errorLabel;
    QLabel* m_zoomLabel;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_previewAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_templateAction = nullptr;
    QAction* m_completeAction = nullptr;
    QAction* m_verifyAction = nullptr;
    QAction* m_reopenAction = nullptr;
    QAction* m_amendAction = nullptr;
    QAction* m_addKeyImageAction = nullptr;
    QAction* m_removeKeyImageAction = nullptr;
    QAction* m_spellingAction = nullptr;
    QMenu* m_snippetMenu = nullptr;
    // The reports amended in this session, by their amendment: what the banner says of each.
    QHash<IKMReport*, QString> m_amendments;
    QAction* m_zoomInAction = nullptr;
    QAction* m_zoomOutAction = nullptr;
    QAction* m_fitAction = nullptr;
    QAction* m_fitWidthAction = nullptr;
    QAction* m_findAction = nullptr;
    // The Edit menu's commands on the focused text field, in menu order.
    std::vector<std::pair<QAction*, srctrl::EditCommand>> m_editActions;
};
