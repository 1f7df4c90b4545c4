#include "FindDialog.h"

#include <srctrl/qt/SrReportWidget.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FindDialog::FindDialog(SrReportWidget& view, QWidget* parent)
    : QDialog(parent), m_view(view), m_what(new QLineEdit), m_with(new QLineEdit), m_matchCase(new QCheckBox(tr("Match &case"))),
      m_wholeWord(new QCheckBox(tr("&Whole words"))), m_status(new QLabel)
{
    setWindowTitle(tr("Find and Replace"));
    auto* form = new QFormLayout;
    form->addRow(tr("&Find:"), m_what);
    form->addRow(tr("Replace &with:"), m_with);
    form->addRow(m_matchCase);
    form->addRow(m_wholeWord);

    auto* buttons = new QDialogButtonBox;
    QPushButton* next = buttons->addButton(tr("Find &Next"), QDialogButtonBox::ActionRole);
    QPushButton* replace = buttons->addButton(tr("&Replace"), QDialogButtonBox::ActionRole);
    QPushButton* all = buttons->addButton(tr("Replace &All"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    next->setDefault(true);
    connect(next, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(replace, &QPushButton::clicked, this, &FindDialog::replaceOne);
    connect(all, &QPushButton::clicked, this, &FindDialog::replaceAll);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
}

void FindDialog::showFor()
{
    show();
    raise();
    activateWindow();
    m_what->setFocus();
    m_what->selectAll();
    m_status->clear();
}

void FindDialog::tell(const QString& text)
{
    m_status->setText(text);
}

void FindDialog::findNext()
{
    tell(m_view.find(m_what->text(), m_matchCase->isChecked(), m_wholeWord->isChecked()) ? QString()
                                                                                         : tr("\u201c%1\u201d not found.").arg(m_what->text()));
}

void FindDialog::replaceOne()
{
    tell(m_view.replace(m_what->text(), m_with->text(), m_matchCase->isChecked(), m_wholeWord->isChecked())
             ? QString()
             : tr("\u201c%1\u201d not found.").arg(m_what->text()));
}

void FindDialog::replaceAll()
{
    const int count = m_view.replaceAll(m_what->text(), m_with->text(), m_matchCase->isChecked(), m_wholeWord->isChecked());
    tell(count == 0   ? tr("\u201c%1\u201d not found.").arg(m_what->text())
         : count == 1 ? tr("Replaced 1 match.")
                      : tr("Replaced %1 matches.").arg(count));
}
