#pragma once

#include <QHash>
#include <QString>
#include <QTabBar>

#include <string>

class IKMReport;
class SrReportWidget;

// One tab per report open in the control, in the control's order, kept in step with it through
// the widget's signals: a tab appears when a report is added, goes when it closes, and follows
// the active report. Choosing a tab activates its report. A tab shows the patient's name (or
// the file's name) and "*" while the report has unsaved changes. It also remembers the file
// each report was read from or saved to.
class ReportTabs : public QTabBar {
    Q_OBJECT

public:
    explicit ReportTabs(SrReportWidget& view, QWidget* parent = nullptr);

    IKMReport* reportAt(int index) const;
    // The file the report belongs to; empty for a report never saved (one made from an image).
    QString filePath(IKMReport* report) const;
    void setFilePath(IKMReport* report, const QString& path);
    // A DICOM person name (Family^Given^Middle^Prefix^Suffix) as a list shows it: "Doe, John".
    static QString readableName(const std::wstring& value);
    // What the report is called: the patient's name, else its file's name. Read from the
    // document when the report comes, its file changes or its patient's name is told, and kept:
    // reading the document at other times would take in typing the control holds back (a long
    // finding's), which costs a keystroke's wait.
    QString title(IKMReport* report) const { return m_titles.value(report); }

signals:
    // The user asked to close a report's tab; the window decides (it may ask to save first).
    void closeRequested(IKMReport* report);

private:
    void addReport(IKMReport* report);
    void removeReport(IKMReport* report);
    void showActive(IKMReport* report);
    void updateText(IKMReport* report);
    void readTitle(IKMReport* report);
    int indexOf(IKMReport* report) const;
    // The title, marked "*" while the report has unsaved changes.
    QString tabText(IKMReport* report) const;

    SrReportWidget& m_view;
    QHash<IKMReport*, QString> m_paths;
    QHash<IKMReport*, QString> m_titles;
};
