// srreport-gui: a desktop editor for DICOM SR reports on the report control's Qt widget.
#include "MainWindow.h"
#include "SignalWatcher.h"
#include <srctrl/IReportCtrl.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <csignal>
#include <cstring>
#include <memory>

namespace {

void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("srreport-gui"));
    QCoreApplication::setApplicationName(QStringLiteral("srreport-gui"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(SrCtrlGetVersion()));
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Write, check and print DICOM SR reports: an SR document opens as it "
                                                    "is, a DICOM image starts a new report for its study."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("SR documents or DICOM images to open"),
                                 QStringLiteral("[file...]"));
}

// Whether the command line only asks for help or the version, which needs no display.
bool asksForText(int argc, char** argv)
{
    for (int index = 1; index < argc; ++index) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[index], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (asksForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        QCommandLineParser parser;
        describe(parser);
        parser.process(app);  // prints and ends the process
        return 0;
    }
    QApplication app(argc, argv);
    nameApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("srreport-gui"));

    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    MainWindow window;
    const QString error = window.startupError();
    if (!error.isEmpty()) {
        QMessageBox::critical(nullptr, QStringLiteral("srreport-gui"),
                              QStringLiteral("The report control cannot start: %1").arg(error));
        return 1;
    }
    // At logout (SIGTERM) or when the terminal goes (SIGHUP), unsaved reports go to the recovery
    // folder and the editor ends without asking: nobody is there to answer.
    SignalWatcher watcher({SIGTERM, SIGHUP});
    QObject::connect(&watcher, &SignalWatcher::received, &window, &MainWindow::endSession);
    window.show();
    window.offerRecovery();
    window.openFiles(parser.positionalArguments());
    return QApplication::exec();
}
