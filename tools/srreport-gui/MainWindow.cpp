#include "MainWindow.h"

#include "FindDialog.h"
#include "KeyImages.h"
#include "PrintPreview.h"
#include "PrinterChooser.h"
#include "ReportFile.h"
#include "ReportRecovery.h"
#include "ReportStatus.h"
#include "ReportTabs.h"
#include "TemplateChooser.h"
#include <srctrl/qt/SrReportWidget.h>
#include <srctrl/IReportCtrl.h>

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <iterator>

namespace {

// The name the PDF file printer is registered under; a CUPS queue of that name would be hidden.
constexpr const char* kPdfPrinter = "srreport-gui PDF file";

// Zooming in and out goes through these, as in document viewers, so that 100 % and 200 % can be
// reached from a fitted page.
constexpr float kZoomLevels[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f};
constexpr int kInfoTimeoutMs = 5000;

constexpr int kFitPage = 1;
constexpr int kFitWidth = 2;
constexpr int kKeepZoom = 0;

// The folders the person last opened files from and saved reports into, remembered across
// sessions: reports go where reports went, whatever folder the images came from.
const QString kOpenFolderKey = QStringLiteral("lastOpenFolder");
const QString kSaveFolderKey = QStringLiteral("lastSaveFolder");
const QString kSpellingKey = QStringLiteral("checkSpelling");
constexpr srctrl::DWORD kSOPInstanceUID = 0x00080018;
constexpr srctrl::DWORD kVerificationDateTime = 0x0040A030;

QString lastFolder(const QString& key)
{
    return QSettings().value(key, QDir::homePath()).toString();
}

void rememberFolder(const QString& key, const QString& file)
{
    QSettings().setValue(key, QFileInfo(file).absolutePath());
}

QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            files << url.toLocalFile();
        }
    }
    return files;
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), m_view(new SrReportWidget), m_tabs(new ReportTabs(*m_view)), m_pages(new QStackedWidget),
      m_recovery(new ReportRecovery(*m_view, *m_tabs, this)), m_amendmentBanner(new QLabel), m_errorLabel(new QLabel),
      m_zoomLabel(new QLabel)
{
    // Qt adds the application's name: "DICOM SR report editor — srreport-gui".
    setWindowTitle(tr("DICOM SR report editor"));
    setAcceptDrops(true);
    // Without a report the window says how to get one.
    auto* hint = new QLabel(tr("No report is open.\n\nOpen an SR document, or a DICOM image to start a report for its "
                               "study, with File \u25B8 Open (Ctrl+O), or drop the files here."));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setObjectName(QStringLiteral("emptyHint"));
    m_pages->addWidget(hint);
    m_pages->addWidget(m_view);
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    m_amendmentBanner->setObjectName(QStringLiteral("amendmentBanner"));
    m_amendmentBanner->setWordWrap(true);
    m_amendmentBanner->setMargin(6);
    m_amendmentBanner->setStyleSheet(QStringLiteral("#amendmentBanner { background: #FFF4CC; color: #5A4500; }"));
    m_amendmentBanner->hide();
    layout->addWidget(m_amendmentBanner);
    layout->addWidget(m_pages, 1);
    setCentralWidget(central);
    // A failure stays in a label of its own: a temporary message would vanish as soon as the
    // pointer passes over a menu or the tool bar.
    statusBar()->addWidget(m_errorLabel, 1);
    statusBar()->addPermanentWidget(m_zoomLabel);

    createActions();
    createEditActions();
    createMenus();
    if (ctrl() != nullptr) {
        // A radiologist sees the whole page first; zooming in leaves the fit.
        ctrl()->SetFitMode(kFitPage);
    }
    connect(m_tabs, &ReportTabs::closeRequested, this, &MainWindow::closeReport);
    for (auto signal : {&SrReportWidget::activeReportChanged, &SrReportWidget::documentCompleted,
                        &SrReportWidget::documentVerified, &SrReportWidget::modifiedChanged, &SrReportWidget::layoutChanged}) {
        connect(m_view, signal, this, &MainWindow::updateActions);
    }
    // A fitted page changes its zoom with the window; a person's input may change a report.
    m_view->installEventFilter(this);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, &MainWindow::showContextMenu);
    connect(m_view, &SrReportWidget::reportAdded, this, &MainWindow::updateActions);
    connect(m_view, &SrReportWidget::reportClosing, this, [this] {
        QMetaObject::invokeMethod(this, &MainWindow::updateActions, Qt::QueuedConnection);
    });
    connect(m_recovery, &ReportRecovery::failed, this, &MainWindow::showError);
    connect(m_view, &SrReportWidget::editingProblem, this, &MainWindow::showError);
    connect(m_view, &SrReportWidget::reportClosing, this, [this](IKMReport* report) { m_amendments.remove(report); });
    QString error;
    if (ctrl() != nullptr && !m_recovery->start(error)) {
        showError(tr("Unsaved reports are not kept for recovery: %1").arg(error));
    }
    updateActions();
    resize(900, 1000);
}

QString MainWindow::startupError() const
{
    return ctrl() == nullptr ? m_view->errorString() : QString();
}

void MainWindow::createActions()
{
    m_openAction = new QAction(style()->standardIcon(QStyle::SP_DialogOpenButton), tr("&Open…"), this);
    m_openAction->setShortcut(QKeySequence::Open);
    m_openAction->setToolTip(tr("Open SR documents, or start reports for DICOM images"));
    connect(m_openAction, &QAction::triggered, this, &MainWindow::chooseFiles);

    m_saveAction = new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton), tr("&Save"), this);
    m_saveAction->setShortcut(QKeySequence::Save);
    connect(m_saveAction, &QAction::triggered, this, [this] { save(activeReport()); });

    m_saveAsAction = new QAction(tr("Save &As…"), this);
    m_saveAsAction->setShortcut(QKeySequence::SaveAs);
    connect(m_saveAsAction, &QAction::triggered, this, [this] { saveAs(activeReport()); });

    m_printAction = new QAction(tr("&Print…"), this);
    m_printAction->setShortcut(QKeySequence::Print);
    connect(m_printAction, &QAction::triggered, this, &MainWindow::print);

    m_previewAction = new QAction(tr("Print Pre&view…"), this);
    m_previewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_previewAction->setToolTip(tr("Show the pages as the chosen printer prints them, then print"));
    connect(m_previewAction, &QAction::triggered, this, &MainWindow::printPreview);

    m_closeAction = new QAction(tr("&Close Report"), this);
    m_closeAction->setShortcut(QKeySequence::Close);
    connect(m_closeAction, &QAction::triggered, this, [this] { closeReport(activeReport()); });

    m_quitAction = new QAction(tr("&Quit"), this);
    m_quitAction->setShortcut(QKeySequence::Quit);
    connect(m_quitAction, &QAction::triggered, this, &QWidget::close);

    m_templateAction = new QAction(tr("&Template…"), this);
    connect(m_templateAction, &QAction::triggered, this, &MainWindow::chooseTemplate);

    m_completeAction = new QAction(tr("&Complete"), this);
    m_completeAction->setToolTip(tr("Mark the report complete"));
    connect(m_completeAction, &QAction::triggered, this, &MainWindow::complete);

    m_verifyAction = new QAction(tr("&Verify"), this);
    m_verifyAction->setToolTip(tr("Mark the report verified by the verifier named on the page"));
    connect(m_verifyAction, &QAction::triggered, this, &MainWindow::verify);

    m_reopenAction = new QAction(tr("&Reopen for Editing"), this);
    m_reopenAction->setToolTip(tr("Take back the completion of a report that is not verified"));
    connect(m_reopenAction, &QAction::triggered, this, &MainWindow::reopen);

    m_amendAction = new QAction(tr("&Amend"), this);
    m_amendAction->setToolTip(tr("Start an amended copy of the verified report, in a new tab"));
    connect(m_amendAction, &QAction::triggered, this, &MainWindow::amend);

    m_addKeyImageAction = new QAction(tr("Add &key image\u2026"), this);
    m_addKeyImageAction->setToolTip(tr("Put a DICOM image into the first empty image box of the page"));
    connect(m_addKeyImageAction, &QAction::triggered, this, [this] { addKeyImage(-1); });

    m_removeKeyImageAction = new QAction(tr("Re&move key image\u2026"), this);
    m_removeKeyImageAction->setToolTip(tr("Empty an image box of the page"));
    connect(m_removeKeyImageAction, &QAction::triggered, this, [this] { removeKeyImage(-1); });

    m_spellingAction = new QAction(tr("Check &Spelling"), this);
    m_spellingAction->setCheckable(true);
    m_spellingAction->setChecked(QSettings().value(kSpellingKey, true).toBool());
    m_view->setSpellChecking(m_spellingAction->isChecked());
    connect(m_spellingAction, &QAction::toggled, this, [this](bool on) {
        QSettings().setValue(kSpellingKey, on);
        m_view->setSpellChecking(on);
    });

    m_zoomInAction = new QAction(tr("Zoom &In"), this);
    m_zoomInAction->setShortcut(QKeySequence::ZoomIn);
    connect(m_zoomInAction, &QAction::triggered, this, [this] { zoomStep(true); });

    m_zoomOutAction = new QAction(tr("Zoom &Out"), this);
    m_zoomOutAction->setShortcut(QKeySequence::ZoomOut);
    connect(m_zoomOutAction, &QAction::triggered, this, [this] { zoomStep(false); });

    m_fitAction = new QAction(tr("&Fit Page"), this);
    m_fitAction->setCheckable(true);
    connect(m_fitAction, &QAction::triggered, this, [this] { fit(m_fitAction->isChecked() ? kFitPage : kKeepZoom); });

    m_fitWidthAction = new QAction(tr("Fit &Width"), this);
    m_fitWidthAction->setCheckable(true);
    connect(m_fitWidthAction, &QAction::triggered, this,
            [this] { fit(m_fitWidthAction->isChecked() ? kFitWidth : kKeepZoom); });
}

void MainWindow::createEditActions()
{
    struct Item {
        QString text;
        srctrl::EditCommand command;
        QList<QKeySequence> keys;
    };
    const Item items[] = {
        {tr("&Undo"), srctrl::EditCommand::Undo, {QKeySequence::Undo}},
        // Ctrl+Y as well as Ctrl+Shift+Z, as radiologists coming from Windows expect.
        {tr("&Redo"), srctrl::EditCommand::Redo, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}},
        {tr("Cu&t"), srctrl::EditCommand::Cut, {QKeySequence::Cut}},
        {tr("&Copy"), srctrl::EditCommand::Copy, {QKeySequence::Copy}},
        {tr("&Paste"), srctrl::EditCommand::Paste, {QKeySequence::Paste}},
        {tr("&Delete"), srctrl::EditCommand::Delete, {}},
        {tr("Select &All"), srctrl::EditCommand::SelectAll, {QKeySequence::SelectAll}},
    };
    for (const Item& item : items) {
        auto* action = new QAction(item.text, this);
        action->setShortcuts(item.keys);
        const srctrl::EditCommand command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { runEdit(command); });
        m_editActions.emplace_back(action, command);
    }
    m_findAction = new QAction(tr("&Find and Replace\u2026"), this);
    m_findAction->setShortcuts({QKeySequence::Find, QKeySequence(Qt::CTRL | Qt::Key_H)});
    connect(m_findAction, &QAction::triggered, this, &MainWindow::showFind);
}

void MainWindow::runEdit(srctrl::EditCommand command)
{
    if (!m_view->edit(command)) {
        return;
    }
    // A command from the menu changed the text as a key would.
    m_recovery->inputArrived();
}

void MainWindow::updateEditActions(bool showing)
{
    // While the menu is closed every command stays on, so that its shortcut reaches the field
    // that had the focus last; the field itself says whether it did something.
    for (const auto& [action, command] : m_editActions) {
        action->setEnabled(!showing || m_view->canEdit(command));
    }
}

void MainWindow::showContextMenu(const QPoint& at)
{
    // The widget's coordinates are those of the control's window, which fills it.
    const int box = ctrl() != nullptr ? ctrl()->GetImageBoxAt(at.x(), at.y()) : -1;
    if (box >= 0) {
        showImageBoxMenu(box, at);
        return;
    }
    QMenu* menu = m_view->createStandardContextMenu();
    if (menu == nullptr) {
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu, &QMenu::triggered, m_recovery, &ReportRecovery::inputArrived);
    menu->addSeparator();
    menu->addAction(m_findAction);
    menu->popup(m_view->mapToGlobal(at));
}

void MainWindow::showFind()
{
    if (activeReport() == nullptr) {
        return;
    }
    if (m_find == nullptr) {
        m_find = new FindDialog(*m_view, this);
    }
    m_find->showFor();
}

void MainWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addActions({m_openAction, m_saveAction, m_saveAsAction, m_previewAction, m_printAction});
    file->addSeparator();
    file->addActions({m_closeAction, m_quitAction});
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    for (const auto& [action, command] : m_editActions) {
        if (command == srctrl::EditCommand::Cut || command == srctrl::EditCommand::SelectAll) {
            edit->addSeparator();
        }
        edit->addAction(action);
    }
    edit->addSeparator();
    edit->addAction(m_findAction);
    edit->addSeparator();
    m_snippetMenu = edit->addMenu(tr("Insert Canned &Text"));
    connect(m_snippetMenu, &QMenu::aboutToShow, this, &MainWindow::showEditMenuSnippets);
    edit->addAction(m_spellingAction);
    connect(edit, &QMenu::aboutToShow, this, [this] { updateEditActions(true); });
    connect(edit, &QMenu::aboutToHide, this, [this] { updateEditActions(false); });
    QMenu* reportMenu = menuBar()->addMenu(tr("&Report"));
    reportMenu->addAction(m_templateAction);
    reportMenu->addSeparator();
    reportMenu->addActions({m_addKeyImageAction, m_removeKeyImageAction});
    reportMenu->addSeparator();
    reportMenu->addActions({m_completeAction, m_verifyAction, m_reopenAction, m_amendAction});
    menuBar()->addMenu(tr("&View"))->addActions({m_zoomInAction, m_zoomOutAction, m_fitAction, m_fitWidthAction});

    QToolBar* tools = addToolBar(tr("Report"));
    tools->setObjectName(QStringLiteral("reportToolBar"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addActions({m_openAction, m_saveAction, m_printAction});
    tools->addSeparator();
    tools->addActions({m_templateAction, m_completeAction, m_verifyAction, m_amendAction});
    tools->addSeparator();
    tools->addActions({m_zoomOutAction, m_zoomInAction, m_fitAction, m_fitWidthAction});
}

void MainWindow::openFiles(const QStringList& paths)
{
    if (ctrl() == nullptr) {
        return;
    }
    // Every file that could not be opened is named, whatever opened after it.
    QStringList errors;
    for (const QString& path : paths) {
        bool isDocument = false;
        QString error;
        IKMReport* report = ReportFile::open(*ctrl(), path, isDocument, error);
        if (report == nullptr) {
            errors << error;
            continue;
        }
        if (isDocument) {
            m_tabs->setFilePath(report, QFileInfo(path).absoluteFilePath());
        }
        rememberFolder(kOpenFolderKey, path);
        showInfo(isDocument ? tr("Opened %1").arg(QFileInfo(path).fileName())
                            : tr("New report for %1").arg(QFileInfo(path).fileName()));
    }
    if (errors.size() == 1 && paths.size() == 1) {
        showError(errors.constFirst());
    } else if (!errors.isEmpty()) {
        showError(tr("%1 of %2 files not opened. %3").arg(errors.size()).arg(paths.size()).arg(errors.join(QStringLiteral(" "))));
    }
}

void MainWindow::chooseFiles()
{
    QFileDialog dialog(this, tr("Open reports or images"), lastFolder(kOpenFolderKey), tr("DICOM files (*.dcm *.DCM);;All files (*)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() == QDialog::Accepted) {
        openFiles(dialog.selectedFiles());
    }
}

bool MainWindow::save(IKMReport* report)
{
    if (report == nullptr) {
        return false;
    }
    const QString path = m_tabs->filePath(report);
    if (path.isEmpty()) {
        return saveAs(report);
    }
    QString error;
    if (!ReportFile::save(*report, path, error)) {
        showError(error);
        return false;
    }
    m_recovery->settled(report);
    showInfo(tr("Saved %1").arg(path));
    return true;
}

bool MainWindow::saveAs(IKMReport* report)
{
    if (report == nullptr) {
        return false;
    }
    // A report never saved is proposed a name of its patient and study in the last folder used,
    // one that no file has yet (an amendment would otherwise be proposed its original's name).
    QString proposed = m_tabs->filePath(report);
    if (proposed.isEmpty()) {
        proposed = ReportFile::unusedPath(QDir(lastFolder(kSaveFolderKey)).filePath(ReportFile::proposedName(*report)));
    }
    QFileDialog dialog(this, tr("Save report"), proposed, tr("DICOM SR documents (*.dcm);;All files (*)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("dcm"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    const QString path = dialog.selectedFiles().constFirst();
    QString error;
    if (!ReportFile::save(*report, path, error)) {
        showError(error);
        return false;
    }
    m_tabs->setFilePath(report, path);
    m_recovery->settled(report);
    rememberFolder(kSaveFolderKey, path);
    showInfo(tr("Saved %1").arg(path));
    return true;
}

bool MainWindow::choosePrinter(const QString& action, QByteArray& printer, QString& target)
{
    PrinterChooser chooser(action, this);
    if (chooser.exec() != QDialog::Accepted) {
        return false;
    }
    const QString pdf = chooser.pdfPath();
    if (!pdf.isEmpty() && !srctrl::platform::RegisterPdfPrinter(kPdfPrinter, QFile::encodeName(pdf).constData())) {
        showError(tr("Cannot print to %1: not a file name.").arg(pdf));
        return false;
    }
    target = pdf.isEmpty() ? chooser.queue() : QFileInfo(pdf).fileName();
    printer = pdf.isEmpty() ? chooser.queue().toUtf8() : QByteArray(kPdfPrinter);
    return true;
}

void MainWindow::print()
{
    QByteArray printer;
    QString target;
    if (choosePrinter(tr("Print"), printer, target)) {
        printOn(printer, target);
    }
}

void MainWindow::printPreview()
{
    QByteArray printer;
    QString target;
    if (!choosePrinter(tr("Preview"), printer, target)) {
        return;
    }
    PrintPreview preview(*ctrl(), printer, target, this);
    QString error;
    if (!preview.load(error)) {
        showError(error);
        return;
    }
    if (preview.exec() == QDialog::Accepted) {
        printOn(printer, target);
    }
}

void MainWindow::printOn(const QByteArray& printer, const QString& target)
{
    if (!ctrl()->Print(printer.constData())) {
        showError(ReportFile::failure(tr("Cannot print on %1").arg(target)));
        return;
    }
    showInfo(tr("Printed on %1").arg(target));
}

void MainWindow::chooseTemplate()
{
    TemplateChooser chooser(*ctrl(), this);
    if (chooser.exec() != QDialog::Accepted || chooser.templatePath().isEmpty()) {
        return;
    }
    const QString path = chooser.templatePath();
    const QByteArray file = QFile::encodeName(path);
    if (!ctrl()->ApplyTemplate(file.constData())) {
        showError(ReportFile::failure(tr("Cannot apply the template %1").arg(QFileInfo(path).fileName())));
        return;
    }
    if (chooser.forNewReports() && !ctrl()->SetTemplateFile(file.constData())) {
        showError(ReportFile::failure(tr("Cannot use the template %1 for new reports").arg(QFileInfo(path).fileName())));
        return;
    }
    showInfo(tr("Template %1 applied").arg(QFileInfo(path).fileName()));
}

void MainWindow::tell(ReportStatus::Outcome outcome, const QString& message)
{
    outcome == ReportStatus::Outcome::Failed ? showError(message) : showInfo(message);
    updateActions();
    if (outcome == ReportStatus::Outcome::Done) {
        // A report already modified tells no change of its flag: the recovery copy is told here.
        m_recovery->inputArrived();
    }
}

void MainWindow::complete()
{
    QString message;
    tell(ReportStatus::complete(this, *activeReport(), message), message);
}

void MainWindow::verify()
{
    QString message;
    tell(ReportStatus::verify(this, *activeReport(), message), message);
}

void MainWindow::reopen()
{
    QString message;
    tell(ReportStatus::reopen(*activeReport(), message), message);
}

void MainWindow::addKeyImage(int box)
{
    IKMReport* report = activeReport();
    QString message;
    if (report == nullptr || !KeyImages::mayChange(*report, message)) {
        tell(ReportStatus::Outcome::Failed, message);
        return;
    }
    QFileDialog dialog(this, tr("Add key image"), lastFolder(kOpenFolderKey), tr("DICOM images (*.dcm *.DCM);;All files (*)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    rememberFolder(kOpenFolderKey, path);
    putKeyImage(report, path, box);
}

void MainWindow::putKeyImage(IKMReport* report, const QString& path, int box)
{
    // The report may have been closed while a dialog or a drop was under way.
    if (ctrl() == nullptr || ctrl()->GetReportIndex(report) < 0) {
        return;
    }
    QString message;
    tell(KeyImages::put(this, *report, box, path, message), message);
}

void MainWindow::removeKeyImage(int box)
{
    IKMReport* report = activeReport();
    if (report == nullptr) {
        return;
    }
    QString message;
    tell(KeyImages::remove(this, *report, box, message), message);
}

void MainWindow::showImageBoxMenu(int box, const QPoint& at)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool full = KeyImages::holdsPicture(*activeReport(), box);
    connect(menu->addAction(full ? tr("Replace &key image\u2026") : tr("Add &key image\u2026")), &QAction::triggered, this,
            [this, box] { addKeyImage(box); });
    QAction* remove = menu->addAction(tr("Re&move key image"));
    remove->setEnabled(full);
    connect(remove, &QAction::triggered, this, [this, box] { removeKeyImage(box); });
    menu->popup(m_view->mapToGlobal(at));
}

void MainWindow::amend()
{
    IKMReport* verified = activeReport();
    if (verified == nullptr || !verified->IsVerified()) {
        return;
    }
    std::wstring uid;
    std::wstring when;
    verified->GetValue(kSOPInstanceUID, uid);
    verified->GetValue(kVerificationDateTime, when);
    const QString verifier = ReportStatus::verifierOf(*verified);
    const QString patient = ReportStatus::patientOf(*verified);
    IKMReport* amendment = ctrl()->CreateReportFromReport(verified);
    if (amendment == nullptr) {
        showError(ReportFile::failure(tr("Cannot amend the report")));
        return;
    }
    m_amendments.insert(amendment, tr("Amendment of the report of %1 verified by %2 (%3); it names that report, "
                                      "instance %4, as its predecessor.")
                                       .arg(patient, verifier,
                                            QDateTime::fromString(QString::fromStdWString(when).left(14),
                                                                  QStringLiteral("yyyyMMddHHmmss"))
                                                .toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                            QString::fromStdWString(uid)));
    updateActions();
    showInfo(tr("An amended copy of the report is open in a new tab."));
}

void MainWindow::updateAmendmentBanner()
{
    const QString text = m_amendments.value(activeReport());
    m_amendmentBanner->setText(text);
    m_amendmentBanner->setVisible(!text.isEmpty());
}

void MainWindow::showEditMenuSnippets()
{
    // The list made for the last showing goes with its actions.
    m_snippetMenu->clear();
    qDeleteAll(m_snippetMenu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
    QMenu* snippets = m_view->createSnippetMenu(m_snippetMenu);
    if (snippets == nullptr) {
        m_snippetMenu->addAction(tr("(Click into a text field first)"))->setEnabled(false);
        return;
    }
    m_snippetMenu->addActions(snippets->actions());
    connect(m_snippetMenu, &QMenu::triggered, m_recovery, &ReportRecovery::inputArrived, Qt::UniqueConnection);
}

void MainWindow::zoomStep(bool in)
{
    // The next level beyond the present zoom (a fitted page's zoom lies between two).
    const float zoom = ctrl()->GetZoom();
    float next = in ? kZoomLevels[std::size(kZoomLevels) - 1] : kZoomLevels[0];
    for (float level : kZoomLevels) {
        if (in && level > zoom * 1.001f) {
            next = level;
            break;
        }
        if (!in && level < zoom * 0.999f) {
            next = level;
        }
    }
    ctrl()->SetZoom(next);
    updateActions();
}

void MainWindow::fit(int mode)
{
    ctrl()->SetFitMode(mode);
    updateActions();
}

void MainWindow::closeReport(IKMReport* report)
{
    if (report != nullptr && mayClose(report)) {
        ctrl()->CloseReport(report);
        updateActions();
    }
}

bool MainWindow::mayClose(IKMReport* report)
{
    if (!report->IsModified()) {
        return true;
    }
    ctrl()->ActivateReport(report);
    const auto answer = QMessageBox::question(
        this, tr("Unsaved report"), tr("The report \u201c%1\u201d has changes that are not saved.").arg(m_tabs->title(report)),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) {
        return save(report);
    }
    return answer == QMessageBox::Discard;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    for (int index = 0; ctrl() != nullptr && index < ctrl()->GetReportCount(); ++index) {
        if (!mayClose(ctrl()->GetReport(index))) {
            event->ignore();
            return;
        }
    }
    // Every report was saved or let go: no copy is kept for a next start.
    for (int index = 0; ctrl() != nullptr && index < ctrl()->GetReportCount(); ++index) {
        m_recovery->settled(ctrl()->GetReport(index));
    }
    if (m_find != nullptr) {
        m_find->close();
    }
    event->accept();
}

void MainWindow::offerRecovery()
{
    QString error;
    m_recovery->offer(this, error);
    if (!error.isEmpty()) {
        showError(error);
    }
    updateActions();
}

void MainWindow::endSession()
{
    m_recovery->writeAll();
    m_ending = true;
    close();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::Resize) {
        // The widget refits the page in its own resize handling, after this filter.
        QMetaObject::invokeMethod(this, &MainWindow::updateActions, Qt::QueuedConnection);
    }
    if (watched == m_view && (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod ||
                              event->type() == QEvent::MouseButtonRelease)) {
        m_recovery->inputArrived();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // One file dropped onto an image box goes into it, unless it is a report, which opens as
    // every other drop does. The frame of a multi-frame image is asked for once the drop is over.
    const QPoint at = m_view->mapFrom(this, event->position().toPoint());
    const int box = files.size() == 1 && ctrl() != nullptr ? ctrl()->GetImageBoxAt(at.x(), at.y()) : -1;
    ReportFile::Kind kind;
    if (box >= 0 && !(ReportFile::inspect(files.constFirst(), kind) && kind.isReport)) {
        QMetaObject::invokeMethod(
            this, [this, report = activeReport(), path = files.constFirst(), box] { putKeyImage(report, path, box); },
            Qt::QueuedConnection);
        return;
    }
    openFiles(files);
}

void MainWindow::updateActions()
{
    IKMReport* report = activeReport();
    const bool open = report != nullptr;
    for (QAction* action : {m_saveAction, m_saveAsAction, m_printAction, m_previewAction, m_closeAction, m_templateAction,
                            m_addKeyImageAction, m_removeKeyImageAction, m_zoomInAction, m_zoomOutAction, m_fitAction,
                            m_fitWidthAction, m_findAction}) {
        action->setEnabled(open);
    }
    m_pages->setCurrentWidget(ctrl() != nullptr && ctrl()->GetReportCount() > 0 ? static_cast<QWidget*>(m_view)
                                                                                : m_pages->widget(0));
    m_completeAction->setEnabled(open && !report->IsCompleted());
    m_verifyAction->setEnabled(open && !report->IsVerified());
    m_reopenAction->setEnabled(open && report->IsCompleted() && !report->IsVerified());
    m_amendAction->setEnabled(open && report->IsVerified());
    updateAmendmentBanner();
    m_fitAction->setChecked(open && ctrl()->GetFitMode() == kFitPage);
    m_fitWidthAction->setChecked(open && ctrl()->GetFitMode() == kFitWidth);
    m_zoomLabel->setText(open ? tr("%1%").arg(qRound(ctrl()->GetZoom() * 100.0f)) : QString());
}

void MainWindow::showError(const QString& text)
{
    statusBar()->clearMessage();
    m_errorLabel->setText(text);
}

void MainWindow::showInfo(const QString& text)
{
    m_errorLabel->clear();
    statusBar()->showMessage(text, kInfoTimeoutMs);
}

IReportCtrl* MainWindow::ctrl() const
{
    return m_view->reportCtrl();
}

IKMReport* MainWindow::activeReport() const
{
    return ctrl() != nullptr ? ctrl()->GetActiveReport() : nullptr;
}
