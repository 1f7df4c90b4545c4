#include "PrinterChooser.h"

#include <cups/cups.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The item of the PDF file printer has no queue name.
constexpr int kQueueRole = Qt::UserRole;

} // namespace

PrinterChooser::PrinterChooser(const QString& action, QWidget* parent) : QDialog(parent), m_list(new QListWidget)
{
    setWindowTitle(tr("%1 report").arg(action));
    addQueues();
    m_list->addItem(tr("PDF file…"));
    if (m_list->currentItem() == nullptr) {
        m_list->setCurrentRow(0);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(action);
    connect(buttons, &QDialogButtonBox::accepted, this, &PrinterChooser::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &PrinterChooser::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Printer:")));
    layout->addWidget(m_list);
    layout->addWidget(buttons);
}

QString PrinterChooser::queue() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return m_pdfPath.isEmpty() && item != nullptr ? item->data(kQueueRole).toString() : QString();
}

void PrinterChooser::accept()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (item == nullptr) {
        return;
    }
    m_pdfPath.clear();
    if (item->data(kQueueRole).toString().isEmpty()) {
        QFileDialog dialog(this, tr("Print to a PDF file"), QString(), tr("PDF files (*.pdf)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        m_pdfPath = dialog.selectedFiles().value(0);
    }
    QDialog::accept();
}

void PrinterChooser::addQueues()
{
    // Instances (queue/instance) are option sets of a queue, which the control cannot name:
    // only the queues themselves are listed, the default one in bold and chosen first.
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests(&dests);
    for (int index = 0; index < count; ++index) {
        const cups_dest_t& dest = dests[index];
        if (dest.instance != nullptr) {
            continue;
        }
        const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
        const QString name = QString::fromUtf8(dest.name);
        auto* item = new QListWidgetItem(info != nullptr && *info != '\0' && name != QString::fromUtf8(info)
                                             ? QStringLiteral("%1 (%2)").arg(name, QString::fromUtf8(info))
                                             : name,
                                         m_list);
        item->setData(kQueueRole, name);
        if (dest.is_default) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            m_list->setCurrentItem(item);
        }
    }
    cupsFreeDests(count, dests);
}
