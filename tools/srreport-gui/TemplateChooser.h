#pragma once

#include <QDialog>
#include <QString>

class IReportCtrl;
class QCheckBox;
class QLabel;
class QListWidget;

// A dialog that shows report templates as thumbnails of their pages: those of the control's
// skin folder, and any other template file the user picks. The chosen template is applied to
// the active report by the caller, and also to reports opened later when the user asks for it.
class TemplateChooser : public QDialog {
    Q_OBJECT

public:
    explicit TemplateChooser(IReportCtrl& ctrl, QWidget* parent = nullptr);

    // The chosen template file; empty when none is selected.
    QString templatePath() const;
    bool forNewReports() const;

private:
    void addSkinTemplates();
    void browse();
    // Adds a template with its thumbnail; false, with the reason shown, when the control cannot
    // build the template's page.
    bool addTemplate(const QString& path);

    IReportCtrl& m_ctrl;
    QListWidget* m_list;
    QLabel* m_message;
    QCheckBox* m_forNewReports;
};
