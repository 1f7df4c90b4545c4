#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class SrReportWidget;

// Find and replace in the page's text field that had the focus last: the next match after the
// selection (wrapping to the start), replacing the selected match, or replacing every match as
// one step that Undo takes back whole. Stays open beside the page while the person works.
class FindDialog : public QDialog {
    Q_OBJECT

public:
    explicit FindDialog(SrReportWidget& view, QWidget* parent = nullptr);

    // Shows the dialog with the text to find selected, ready to be typed over.
    void showFor();

private:
    void findNext();
    void replaceOne();
    void replaceAll();
    void tell(const QString& text);

    SrReportWidget& m_view;
    QLineEdit* m_what;
    QLineEdit* m_with;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    QLabel* m_status;
};
