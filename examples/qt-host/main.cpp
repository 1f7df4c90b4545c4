// A Qt host of the report control: a main window around the control's widget, a report started
// for the image given, its finding filled in and the SR document saved; then the window stays
// for the user to go on writing.
//   report-qt-host [--check] IMAGE.dcm REPORT.dcm
// --check quits as soon as the window has been shown (for scripts: QT_QPA_PLATFORM=offscreen).
// Built against the installed package only: find_package(srctrl COMPONENTS qt) or pkg-config
// srctrl-qt.
#include <srctrl/qt/SrReportWidget.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>

namespace {

int Fail(const char* what, const QString& reason)
{
    std::fprintf(stderr, "report-qt-host: %s: %s\n", what, qPrintable(reason));
    return 1;
}

int WriteReport(IReportCtrl* ctrl, const QString& image, const QString& output)
{
    IKMReport* report = ctrl->CreateReportFromImage(QFile::encodeName(image).constData());
    if (report == nullptr) {
        return Fail("no report for the image", SrCtrlGetLastError());
    }
    if (!ctrl->SetReportValue(0x07211001, L"No acute findings.")) {
        return Fail("the finding was not set", SrCtrlGetLastError());
    }
    if (!report->GetDcmSR()->SaveFile(QFile::encodeName(output).constData())) {
        return Fail("the report was not saved", SrCtrlGetLastError());
    }
    std::printf("report-qt-host: srctrl %s: %s written\n", SrCtrlGetVersion(), qPrintable(output));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("check"), QStringLiteral("Quit once the window has been shown.")});
    parser.addPositionalArgument(QStringLiteral("image"), QStringLiteral("DICOM image to report on"));
    parser.addPositionalArgument(QStringLiteral("report"), QStringLiteral("SR document to write"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2) {
        parser.showHelp(2);
    }

    QMainWindow window;
    auto* widget = new SrReportWidget(&window);
    window.setCentralWidget(widget);
    if (widget->reportCtrl() == nullptr) {
        return Fail("the control did not start", widget->errorString());
    }
    const int status = WriteReport(widget->reportCtrl(), files[0], files[1]);
    if (status != 0) {
        return status;
    }
    window.show();
    if (parser.isSet(QStringLiteral("check"))) {
        QTimer::singleShot(0, &app, &QApplication::quit);
    }
    return QApplication::exec();
}
