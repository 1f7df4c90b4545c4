#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class IReportCtrl;
class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace Poppler {
class Document;
}

// The active report's pages as a printer would print them, before they are printed: the control
// prints them through a file printer laid out exactly as the chosen printer (its paper, printable
// area and resolution), and the dialog shows that PDF's pages one under the other, drawn by
// Poppler, with zoom. "Print" accepts the dialog: the caller then prints on the printer itself.
// The PDF lives in a temporary folder that goes with the dialog.
class PrintPreview : public QDialog {
    Q_OBJECT

public:
    // `printer` is the name the control prints to; `target` what the person calls it.
    PrintPreview(IReportCtrl& ctrl, const QByteArray& printer, const QString& target, QWidget* parent = nullptr);
    ~PrintPreview() override;

    // Prints the preview's PDF and reads it; false with `error` in the control's words.
    bool load(QString& error);
    int pageCount() const;

private:
    void setZoom(int index);
    void showPages();

    IReportCtrl& m_ctrl;
    QByteArray m_printer;
    QTemporaryDir m_folder;
    std::unique_ptr<Poppler::Document> m_document;
    QScrollArea* m_scroll;
    QVBoxLayout* m_pages;
    QLabel* m_zoomLabel;
    int m_zoomIndex;
};
