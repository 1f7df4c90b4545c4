#pragma once

// Installed as <srctrl/qt/SrReportWidget.h>; the control's interface comes with it.
#include <srctrl/IReportCtrl.h>

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
// and Ctrl+A, Ctrl+C, Ctrl+V and Ctrl+X from the host's shortcuts. The clipboard is the
// application's (QGuiApplication::clipboard()). The input method's hints are the widget's
// inputMethodHints(), none unless the host sets them.
class SRCTRL_QT_API SrReportWidget : public QWidget {
    Q_OBJECT

public:
    explicit SrReportWidget(QWidget* parent = nullptr);
    ~SrReportWidget() override;

    // The control, owned by the widget; null when it could not start (errorString() says why,
    // such as "skin folder not found: ..." from SrCtrlGetLastError()).
    IReportCtrl* reportCtrl() const;
    QString errorString() const;

    QSize sizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void reportValueChanged(IKMReport* report, unsigned tag, const QString& value);
    void activeReportChanged(IKMReport* report);
    void reportAdded(IKMReport* report);
    // The report is leaving the control; the pointer is valid only during the signal.
    void reportClosing(IKMReport* report);
    void documentCompleted(IKMReport* report);
    void documentVerified(IKMReport* report);
    void modifiedChanged(IKMReport* report);
    void layoutChanged(IKMReport* report);

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

private:
    class Private;
    // Deleted with the widget, or, when the widget is deleted inside a call into the control, as
    // that call returns.
    std::unique_ptr<Private> d;
};
