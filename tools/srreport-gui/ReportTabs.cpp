#include "ReportTabs.h"

#include <srctrl/qt/SrReportWidget.h>
#include <srctrl/IReportCtrl.h>

#include <QFileInfo>
#include <QSignalBlocker>
#include <QStringList>

namespace {

constexpr unsigned kPatientName = 0x00100010;

} // namespace

ReportTabs::ReportTabs(SrReportWidget& view, QWidget* parent) : QTabBar(parent), m_view(view)
{
    setTabsClosable(true);
    setExpanding(false);
    setDocumentMode(true);
    connect(&view, &SrReportWidget::reportAdded, this, &ReportTabs::addReport);
    connect(&view, &SrReportWidget::reportClosing, this, &ReportTabs::removeReport);
    connect(&view, &SrReportWidget::activeReportChanged, this, &ReportTabs::showActive);
    connect(&view, &SrReportWidget::modifiedChanged, this, &ReportTabs::updateText);
    connect(&view, &SrReportWidget::reportValueChanged, this, [this](IKMReport* report, unsigned tag) {
        if (tag == kPatientName) {
            readTitle(report);
        }
    });
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        if (IKMReport* report = reportAt(index)) {
            m_view.reportCtrl()->ActivateReport(report);
        }
    });
    connect(this, &QTabBar::tabCloseRequested, this, [this](int index) {
        if (IKMReport* report = reportAt(index)) {
            emit closeRequested(report);
        }
    });
}

IKMReport* ReportTabs::reportAt(int index) const
{
    return static_cast<IKMReport*>(tabData(index).value<void*>());
}

QString ReportTabs::filePath(IKMReport* report) const
{
    return m_paths.value(report);
}

void ReportTabs::setFilePath(IKMReport* report, const QString& path)
{
    m_paths.insert(report, path);
    readTitle(report);
}

void ReportTabs::addReport(IKMReport* report)
{
    // The control tells of a report before activating it; the tab takes the report's place in
    // the control's order, so that tab and report indexes stay the same.
    const QSignalBlocker blocker(this);
    readTitle(report);
    const int index = insertTab(m_view.reportCtrl()->GetReportIndex(report), tabText(report));
    setTabData(index, QVariant::fromValue(static_cast<void*>(report)));
}

void ReportTabs::removeReport(IKMReport* report)
{
    m_paths.remove(report);
    m_titles.remove(report);
    // The control picks the report to activate next and tells it; the tab bar must not pick
    // one meanwhile, in the middle of the control's closing.
    const QSignalBlocker blocker(this);
    removeTab(indexOf(report));
}

void ReportTabs::showActive(IKMReport* report)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(indexOf(report));
}

void ReportTabs::updateText(IKMReport* report)
{
    const int index = indexOf(report);
    if (index >= 0) {
        setTabText(index, tabText(report));
        setTabToolTip(index, m_paths.value(report));
    }
}

int ReportTabs::indexOf(IKMReport* report) const
{
    for (int index = 0; index < count(); ++index) {
        if (reportAt(index) == report) {
            return index;
        }
    }
    return -1;
}

QString ReportTabs::tabText(IKMReport* report) const
{
    return report->IsModified() ? title(report) + QLatin1Char('*') : title(report);
}

QString ReportTabs::readableName(const std::wstring& value)
{
    QStringList parts = QString::fromStdWString(value).split(QLatin1Char('^'));
    for (QString& part : parts) {
        part = part.trimmed();
    }
    const QString family = parts.takeFirst();
    parts.removeAll(QString());
    const QString given = parts.join(QLatin1Char(' '));
    if (family.isEmpty() || given.isEmpty()) {
        return family + given;
    }
    return family + QStringLiteral(", ") + given;
}

void ReportTabs::readTitle(IKMReport* report)
{
    std::wstring patient;
    QString name = report->GetValue(kPatientName, patient) ? readableName(patient) : QString();
    if (name.isEmpty()) {
        name = QFileInfo(m_paths.value(report)).fileName();
    }
    if (name.isEmpty()) {
        name = tr("Untitled report");
    }
    m_titles.insert(report, name);
    updateText(report);
}
