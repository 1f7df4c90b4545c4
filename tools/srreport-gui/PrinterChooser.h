#pragma once

#include <QDialog>
#include <QString>

class QListWidget;

// A dialog that lists the CUPS queues this machine prints to, and "PDF file…", which asks for
// the file to write. The caller prints (or previews) on the choice; `action` names the button.
class PrinterChooser : public QDialog {
    Q_OBJECT

public:
    explicit PrinterChooser(const QString& action, QWidget* parent = nullptr);

    // The chosen CUPS queue; empty when the choice is a PDF file.
    QString queue() const;
    // The PDF file to print to; empty when the choice is a queue.
    QString pdfPath() const { return m_pdfPath; }

    void accept() override;

private:
    void addQueues();

    QListWidget* m_list;
    QString m_pdfPath;
};
