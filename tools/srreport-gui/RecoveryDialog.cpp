#include "RecoveryDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

RecoveryDialog::RecoveryDialog(const QList<RecoveryStore::Recovered>& reports, QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget)
{
    setWindowTitle(tr("Recover reports"));
    auto* intro = new QLabel(tr("The editor ended without saving these reports. Restore the checked ones?"));
    intro->setWordWrap(true);
    m_list->setHeaderLabels({tr("Patient"), tr("Written"), tr("File")});
    m_list->setRootIsDecorated(false);
    m_list->header()->setStretchLastSection(true);
    for (const RecoveryStore::Recovered& report : reports) {
        const QString title = report.title.isEmpty() ? tr("Untitled report") : report.title;
        const QString file = report.originalPath.isEmpty() ? tr("(never saved)") : report.originalPath;
        auto* item = new QTreeWidgetItem(m_list, {title, QLocale().toString(report.written.toLocalTime(), QLocale::ShortFormat), file});
        item->setCheckState(0, Qt::Checked);
        item->setToolTip(2, file);
    }
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);

    auto* buttons = new QDialogButtonBox;
    QPushButton* restore = buttons->addButton(tr("&Restore"), QDialogButtonBox::AcceptRole);
    QPushButton* discard = buttons->addButton(tr("&Discard All"), QDialogButtonBox::DestructiveRole);
    QPushButton* later = buttons->addButton(tr("&Later"), QDialogButtonBox::RejectRole);
    restore->setDefault(true);
    connect(restore, &QPushButton::clicked, this, [this] {
        m_choice = Restore;
        accept();
    });
    connect(discard, &QPushButton::clicked, this, [this] {
        m_choice = DiscardAll;
        accept();
    });
    connect(later, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(640, 300);
}

bool RecoveryDialog::isChecked(int index) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(index);
    return item != nullptr && item->checkState(0) == Qt::Checked;
}
