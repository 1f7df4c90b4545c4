#pragma once

// Installed as <srctrl/qt/SrReportWidget.h>; the control's interface comes with it.
#include <srctrl/IReportCtrl.h>

#include <srctrl/SurfaceInput.h>

#include <QString>
#include <QWidget>

#include <memory>

// Marks what a host reaches in libsrctrl-qt, which is built with hidden visibility.
#define SRCTRL_QT_API __attribute__((visibility("default")))

// The report control as a Qt 6 widget. It owns a report control (IReportCtrl) that fills it,
// paints it through an embedding surface at the widget's device pixel ratio, and forwards mouse,
// wheel, keys, the input method and the clipboard to it; it has no native child window, so it
// works wherever Qt Widgets do (X11, Wayland, offscreen).
//
// Drive the reports through reportCtrl(); the control's notifications arrive as signals, on the
// GUI thread, inside the calls or the input that cause them. A slot may close reports, or delete
// the widget itself: the widget then lets go of the control once the call that sent the signal
// has returned.
//
// Keys: Tab and Shift+Tab move between the page's fields, Ctrl+Tab and Ctrl+Shift+Tab move the
// focus out of the widget. While a text field has the focus, the widget claims the editing keys
// and Ctrl+A, Ctrl+C, Ctrl+V, Ctrl+X, Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z from the host's shortcuts.
// The clipboard is the application's (QGuiApplication::clipboard()), and on X11 the primary
// selection too: selecting text sets it, the middle button pastes it. A right click in a text
// field shows createStandardContextMenu() (a host that wants its own sets the
// Qt::CustomContextMenu policy): on a misspelt word (marked with a red wave) it starts with the
// word's corrections, "Add to Dictionary" and "Ignore". Ctrl+Space in a text field lists the
// canned texts (createSnippetMenu) at the caret; a trigger word and Tab puts one in. The input
// method's hints are the widget's inputMethodHints(), none unless the host sets them.
class QMenu;

class SRCTRL_QT_API SrReportWidget : public QWidget {
    Q_OBJECT

public:
    explicit SrReportWidget(QWidget* parent = nullptr);
    ~SrReportWidget() override;

    // The control, owned by the widget; null when it could not start (errorString() says why,
    // such as "skin folder not found: ..." from SrCtrlGetLastError()).
    IReportCtrl* reportCtrl() const;
    QString errorString() const;

    // Edit commands for a host's Edit menu, on the page's text field that has the focus (or had
    // it before a menu or a dialog took the desktop's focus): canEdit says whether the command
    // would do something now, edit runs it. Undo and redo go through the field's history; the
    // document and the host hear of each undone or redone value as of a typed one.
    bool canEdit(srctrl::EditCommand command) const;
    bool edit(srctrl::EditCommand command);
    // Find and replace in that text field; see srctrl::ReportSurface::Find.
    bool find(const QString& what, bool matchCase, bool wholeWord);
    bool replace(const QString& what, const QString& with, bool matchCase, bool wholeWord);
    int replaceAll(const QString& what, const QString& with, bool matchCase, bool wholeWord);
    // A menu of Undo, Redo, Cut, Copy, Paste, Delete and Select All for the focused text field,
    // each enabled as canEdit says, which the caller owns and may add to; null when no text
    // field has the focus.
    QMenu* createStandardContextMenu();
    // A menu of the canned texts the focused text field offers (the person's and the template's),
    // each inserting its text at the caret as one undoable step; null when no text field has the
    // focus or there are none. The caller owns it.
    QMenu* createSnippetMenu(QWidget* parent = nullptr);
    // Spell checking on or off for the whole process (srctrl::SetSpellChecking), with the page
    // shown again at once, marks and all.
    void setSpellChecking(bool enabled);

    QSize sizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

Q_SIGNALS:
    void reportValueChanged(IKMReport* report, unsigned tag, const QString& value);
    void activeReportChanged(IKMReport* report);
    void reportAdded(IKMReport* report);
    // The report is leaving the control; the pointer is valid only during the signal.
    void reportClosing(IKMReport* report);
    void documentCompleted(IKMReport* report);
    void documentVerified(IKMReport* report);
    void modifiedChanged(IKMReport* report);
    void layoutChanged(IKMReport* report);
    // Something the person asked of the editing aids could not be done, or their files are
    // wrong: a word not saved in the dictionary, a snippets file that does not parse. `reason` is
    // the library's text.
    void editingProblem(const QString& reason);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The misspelt word's corrections, "Add to Dictionary" and "Ignore", when the caret is at one.
    void addSpellingItems(QMenu& menu);

    class Private;
    // Deleted with the widget, or, when the widget is deleted inside a call into the control, as
    // that call returns.
    std::unique_ptr<Private> d;
};
