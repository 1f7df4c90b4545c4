// The Qt widget as a Qt host meets it: real Qt events (QTest's mouse and keys, input method and
// wheel events) into a shown widget, checked against the control's own headless capture and
// against the document's values. Runs on the offscreen platform with two screens, of device
// pixel ratio 1 and 2 (two-screens.json).
#include <srctrl/qt/SrReportWidget.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <string>

namespace {

constexpr srctrl::DWORD kPatientName = 0x00100010;
constexpr srctrl::DWORD kBodyPart = 0x00180015;
constexpr srctrl::DWORD kFinding = 0x07211001;

// Where the fields of templates/body-fields.xml sit in a 600 x 400 widget.
const QPoint kNameField(300, 77);
const QPoint kDateField(300, 111);
const QPoint kComboArrow(572, 145);
const QPoint kComboSecondItem(300, 197);
const QPoint kFindingBox(300, 230);
const QRect kFindingArea(20, 166, 560, 120);

std::string Data(const char* name)
{
    return std::string(SRCTRL_TEST_DATA) + "/" + name;
}

// What the control shows in its window, painted headlessly by the library itself.
QImage Capture(srctrl::HWND hwnd)
{
    srctrl::HBITMAP shot = srctrl::platform::CaptureWindow(hwnd);
    srctrl::BITMAP bm{};
    if (shot == nullptr || srctrl::GetObject(shot, sizeof bm, &bm) == 0) {
        return {};
    }
    const QImage image = QImage(static_cast<const uchar*>(bm.bmBits), bm.bmWidth, bm.bmHeight, bm.bmWidthBytes,
                                QImage::Format_RGB32)
                             .copy();
    srctrl::DeleteObject(shot);
    return image;
}

QImage Shot(QWidget& widget, const QRect& area = {})
{
    const QImage whole = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (area.isNull()) {
        return whole;
    }
    const qreal ratio = whole.devicePixelRatio();
    return whole.copy(QRect(area.topLeft() * ratio, area.size() * ratio));
}

// The aligned 2 x 2 blocks whose pixels differ: none in a picture that was painted at ratio 1
// and then doubled, many where text was drawn for the device pixels.
int FineBlocks(const QImage& image)
{
    int fine = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            fine += (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p) ? 1 : 0;
        }
    }
    return fine;
}

// The control at a zoom of 1 with a report on the body-fields template; false, with a warning, when it has none.
bool Load(IReportCtrl* ctrl)
{
    if (ctrl == nullptr) {
        return false;
    }
    ctrl->SetFitMode(0);
    if (!ctrl->SetTemplateFile(Data("templates/body-fields.xml").c_str()) ||
        ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()) == nullptr) {
        qWarning() << SrCtrlGetLastError();
        return false;
    }
    return true;
}

QString Value(IReportCtrl* ctrl, srctrl::DWORD tag)
{
    std::wstring value;
    ctrl->GetReportValue(tag, value);
    return QString::fromStdWString(value);
}

void SendInputMethod(QWidget& widget, const QString& preedit, int cursor, const QString& commit = {})
{
    QList<QInputMethodEvent::Attribute> attributes;
    attributes.append({QInputMethodEvent::Cursor, cursor, 1, QVariant()});
    QInputMethodEvent event(preedit, attributes);
    if (!commit.isEmpty()) {
        event.setCommitString(commit);
    }
    QCoreApplication::sendEvent(&widget, &event);
}

bool SendWheel(QWidget& widget, QPoint at, int delta)
{
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

} // namespace

class SrReportWidgetTest : public QObject {
    Q_OBJECT

private:
    // A shown 600 x 400 widget on the given screen with a report on the body-fields template.
    std::unique_ptr<SrReportWidget> Open(int screen = 0)
    {
        auto widget = std::make_unique<SrReportWidget>();
        QScreen* on = QGuiApplication::screens().at(screen);
        widget->setScreen(on);
        widget->setGeometry(QRect(on->geometry().topLeft() + QPoint(40, 40), QSize(600, 400)));
        if (!Load(widget->reportCtrl())) {
            qWarning() << widget->errorString();
            return nullptr;
        }
        widget->show();
        widget->activateWindow();
        if (!QTest::qWaitForWindowActive(widget.get())) {
            return nullptr;
        }
        return widget;
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QCOMPARE(QGuiApplication::screens().at(1)->devicePixelRatio(), 2.0);
    }

    // At ratio 1 the widget shows exactly what the control paints headlessly, also after the
    // partial repaints of typing; at ratio 2 it has twice the pixels, drawn for them, and it
    // follows the widget from screen to screen.
    void paintsThePageAsTheControlDoesAtEveryRatio()
    {
        auto widget = Open();
        QVERIFY(widget);
        srctrl::HWND page = widget->reportCtrl()->GetHWND();
        QCOMPARE(widget->devicePixelRatioF(), 1.0);
        QCOMPARE(Shot(*widget), Capture(page));

        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, kNameField);
        QTest::keyClicks(widget.get(), "Typed");
        QCOMPARE(Shot(*widget), Capture(page));

        widget->setScreen(QGuiApplication::screens().at(1));
        QTRY_COMPARE(widget->devicePixelRatioF(), 2.0);
        const QImage fine = Shot(*widget);
        QCOMPARE(fine.size(), QSize(1200, 800));
        QVERIFY2(FineBlocks(fine) > 500, "the page is drawn for the device pixels, not scaled up");

        widget->setScreen(QGuiApplication::screens().at(0));
        QTRY_COMPARE(widget->devicePixelRatioF(), 1.0);
        QCOMPARE(Shot(*widget), Capture(page));
    }

    void startsAtTheRatioOfItsScreen()
    {
        auto widget = Open(1);
        QVERIFY(widget);
        QCOMPARE(Shot(*widget).size(), QSize(1200, 800));
        QVERIFY(FineBlocks(Shot(*widget)) > 500);
    }

    // The input method's composition shows at the caret without entering the document; its
    // commit enters it, Chinese included, and the control says so.
    void composesAndCommitsThroughTheInputMethod()
    {
        auto widget = Open();
        QVERIFY(widget);
        IReportCtrl* ctrl = widget->reportCtrl();
        QSignalSpy changed(widget.get(), &SrReportWidget::reportValueChanged);
        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, kFindingBox);
        QVERIFY(widget->inputMethodQuery(Qt::ImEnabled).toBool());
        const QRect caret = widget->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QVERIFY2(kFindingArea.contains(caret), "the candidate window goes beside the finding's caret");
        const QRect around = caret.adjusted(-2, -4, 80, 4);
        const QImage before = Shot(*widget, around);

        SendInputMethod(*widget, QStringLiteral("肺结"), 2);
        QVERIFY(Shot(*widget, around) != before);
        QCOMPARE(Value(ctrl, kFinding), QString());
        QVERIFY(changed.isEmpty());

        SendInputMethod(*widget, QString(), 0, QStringLiteral("肺结节"));
        QCOMPARE(Value(ctrl, kFinding), QStringLiteral("肺结节"));
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(1).toUInt(), unsigned{kFinding});
        QCOMPARE(changed.last().at(2).toString(), QStringLiteral("肺结节"));
        QVERIFY(widget->inputMethodQuery(Qt::ImCursorRectangle).toRect().x() > caret.x());
    }

    // Typing goes in as text, Ctrl+letters act as the page's shortcuts against the application's
    // clipboard and before the host's own, the pointer's shape follows the fields.
    void typesEditsAndCopiesWithTheKeyboard()
    {
        auto widget = Open();
        QVERIFY(widget);
        IReportCtrl* ctrl = widget->reportCtrl();
        int hostCopies = 0;
        QShortcut hostCopy(QKeySequence::Copy, widget.get(), [&] { ++hostCopies; });

        QTest::mouseMove(widget.get(), kNameField);
        QCOMPARE(widget->cursor().shape(), Qt::IBeamCursor);
        QTest::mouseMove(widget.get(), QPoint(60, kNameField.y()));
        QCOMPARE(widget->cursor().shape(), Qt::ArrowCursor);

        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, kNameField);
        QTest::keyClick(widget.get(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(widget.get(), "Doe^Jane");
        QCOMPARE(Value(ctrl, kPatientName), QStringLiteral("Doe^Jane"));
        QTest::keyClick(widget.get(), Qt::Key_Backspace);
        QCOMPARE(Value(ctrl, kPatientName), QStringLiteral("Doe^Jan"));

        QTest::keyClick(widget.get(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(widget.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Doe^Jan"));
        QCOMPARE(hostCopies, 0);

        QGuiApplication::clipboard()->setText(QStringLiteral("Roe^Anna"));
        QTest::keyClick(widget.get(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(widget.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Value(ctrl, kPatientName), QStringLiteral("Roe^Anna"));
    }

    // A right click on a misspelt word offers its corrections first; one of them replaces it.
    void correctsAMisspeltWordFromTheContextMenu()
    {
        auto widget = Open();
        QVERIFY(widget);
        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, QPoint(40, 175));
        QTest::keyClicks(widget.get(), "No pneumothroax seen");
        QTest::mouseClick(widget.get(), Qt::RightButton, {}, QPoint(70, 175));
        std::unique_ptr<QMenu> menu(widget->createStandardContextMenu());
        QVERIFY(menu);
        const QList<QAction*> actions = menu->actions();
        QVERIFY(actions.size() > 3);
        QCOMPARE(actions.front()->text(), QStringLiteral("pneumothorax"));
        QVERIFY(std::any_of(actions.begin(), actions.end(),
                            [](QAction* a) { return a->text() == QStringLiteral("Add to Dictionary"); }));
        actions.front()->trigger();
        QCOMPARE(Value(widget->reportCtrl(), kFinding), QStringLiteral("No pneumothorax seen"));
        menu.reset(widget->createStandardContextMenu());
        QVERIFY(menu);
        QCOMPARE(menu->actions().front()->text(), QStringLiteral("&Undo"));
    }

    // Tab and Shift+Tab go from field to field of the page; Ctrl+Tab goes on to the next widget.
    void tabsThroughThePageAndCtrlTabLeavesIt()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* widget = new SrReportWidget;
        widget->setFixedSize(600, 400);
        auto* after = new QLineEdit;
        layout->addWidget(widget);
        layout->addWidget(after);
        IReportCtrl* ctrl = widget->reportCtrl();
        QVERIFY(Load(ctrl));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::mouseClick(widget, Qt::LeftButton, {}, kFindingBox);
        QTest::keyClick(widget, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(widget->hasFocus());
        QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(widget, "SKULL");
        QVERIFY(Value(ctrl, kBodyPart).endsWith(QStringLiteral("SKULL")));
        QTest::keyClick(widget, Qt::Key_Tab);
        QVERIFY(widget->hasFocus());
        QTest::keyClicks(widget, "Tabbed");
        QCOMPARE(Value(ctrl, kFinding), QStringLiteral("Tabbed"));

        QTest::keyClick(widget, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(after->hasFocus());
        QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(widget->hasFocus());
        QTest::keyClicks(widget, ".");
        QCOMPARE(Value(ctrl, kFinding), QStringLiteral("Tabbed."));
    }

    // The wheel scrolls the box under the pointer, and nothing elsewhere.
    void scrollsTheFindingBoxWithTheWheel()
    {
        auto widget = Open();
        QVERIFY(widget);
        QString finding;
        for (int line = 1; line <= 40; ++line) {
            finding += QStringLiteral("Line %1 of a long finding.\n").arg(line);
        }
        QVERIFY(widget->reportCtrl()->SetReportValue(kFinding, finding.toStdWString().c_str()));
        const QImage top = Shot(*widget, kFindingArea);
        const QImage page = Shot(*widget);

        SendWheel(*widget, kNameField, -120);
        QCOMPARE(Shot(*widget), page);

        QVERIFY(SendWheel(*widget, kFindingBox, -120));
        QVERIFY(Shot(*widget, kFindingArea) != top);
        QVERIFY(SendWheel(*widget, kFindingBox, 120));
        QCOMPARE(Shot(*widget, kFindingArea), top);
    }

    // A click opens the combo's list and a click on an item stores it.
    void picksAComboItemWithTheMouse()
    {
        auto widget = Open();
        QVERIFY(widget);
        QSignalSpy changed(widget.get(), &SrReportWidget::reportValueChanged);
        const QImage closed = Shot(*widget, QRect(140, 160, 440, 60));
        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, kComboArrow);
        QVERIFY2(Shot(*widget, QRect(140, 160, 440, 60)) != closed, "the list shows below the combo");
        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, kComboSecondItem);
        QCOMPARE(Value(widget->reportCtrl(), kBodyPart), QStringLiteral("HEAD"));
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(2).toString(), QStringLiteral("HEAD"));
    }

    // The caret blinks on the widget's timer, without any input.
    void blinksTheCaretOnItsTimer()
    {
        auto widget = Open();
        QVERIFY(widget);
        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, kNameField);
        const QRect caret = widget->inputMethodQuery(Qt::ImCursorRectangle).toRect().adjusted(-1, -1, 1, 1);
        QVERIFY(!caret.isEmpty());
        const QImage shown = Shot(*widget, caret);
        QTRY_VERIFY_WITH_TIMEOUT(Shot(*widget, caret) != shown, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(Shot(*widget, caret) == shown, 3000);
    }

    // A slot may close the report, or delete the widget, inside the signal of the input that
    // caused it.
    void survivesWhatSlotsDo()
    {
        auto widget = Open();
        QVERIFY(widget);
        IReportCtrl* ctrl = widget->reportCtrl();
        QSignalSpy closing(widget.get(), &SrReportWidget::reportClosing);
        auto closeOnce = connect(widget.get(), &SrReportWidget::reportValueChanged, widget.get(),
                                 [ctrl](IKMReport* report) { ctrl->CloseReport(report); });
        QTest::mouseClick(widget.get(), Qt::LeftButton, {}, kNameField);
        QTest::keyClicks(widget.get(), "ab");
        disconnect(closeOnce);
        QCOMPARE(closing.size(), 1);
        QCOMPARE(ctrl->GetReportCount(), 0);
        QCOMPARE(Shot(*widget), Capture(ctrl->GetHWND()));

        QVERIFY(ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()) != nullptr);
        QPointer<SrReportWidget> watched(widget.get());
        SrReportWidget* raw = widget.release();
        connect(raw, &SrReportWidget::reportValueChanged, raw, [raw] { delete raw; });
        QTest::mouseClick(raw, Qt::LeftButton, {}, kFindingBox);
        SendInputMethod(*raw, QString(), 0, QStringLiteral("肺"));
        QVERIFY(watched.isNull());
        QTest::qWait(20);
    }
};

QTEST_MAIN(SrReportWidgetTest)
#include "SrReportWidgetTest.moc"
