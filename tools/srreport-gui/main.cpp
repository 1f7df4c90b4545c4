// srreport-gui: a desktop editor for DICOM SR reports on the report control's Qt widget.
#include "MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("srreport-gui"));
    QApplication::setApplicationDisplayName(QStringLiteral("srreport-gui"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Write, check and print DICOM SR reports: an SR document opens as it "
                                                    "is, a DICOM image starts a new report for its study."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("SR documents or DICOM images to open"),
                                 QStringLiteral("[file...]"));
    parser.process(app);

    MainWindow window;
    const QString error = window.startupError();
    if (!error.isEmpty()) {
        QMessageBox::critical(nullptr, QStringLiteral("srreport-gui"),
                              QStringLiteral("The report control cannot start: %1").arg(error));
        return 1;
    }
    window.show();
    window.openFiles(parser.positionalArguments());
    return QApplication::exec();
}
