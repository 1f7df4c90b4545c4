#pragma once

#include "RecoveryStore.h"

#include <QDialog>
#include <QList>

class QTreeWidget;

// Offers the reports that a session which ended without saving left in the recovery folder:
// each with its patient, when it was written and the file it belonged to, checked to be
// restored. Restore takes the checked ones and discards the others; Discard All discards every
// one; Later (or closing the dialog) keeps them all for the next start.
class RecoveryDialog : public QDialog {
    Q_OBJECT

public:
    enum Choice { Later, Restore, DiscardAll };

    RecoveryDialog(const QList<RecoveryStore::Recovered>& reports, QWidget* parent = nullptr);

    Choice choice() const { return m_choice; }
    // Whether report `index` of the list given is checked to be restored.
    bool isChecked(int index) const;

private:
    QTreeWidget* m_list;
    Choice m_choice = Later;
};
