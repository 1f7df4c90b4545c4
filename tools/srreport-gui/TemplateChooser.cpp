#include "TemplateChooser.h"

#include "BitmapImage.h"
#include "ReportFile.h"
#include <srctrl/IReportCtrl.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <QXmlStreamReader>

namespace {

const QSize kThumbnail(150, 212);

// Where the control's skins are, in the order it looks for them: the folder named by the
// environment, "skin/" beside the programs in the build tree, and the installed share folder.
QStringList skinFolders()
{
    QStringList folders;
    const QString named = qEnvironmentVariable("SRCTRL_SKIN_DIR");
    if (!named.isEmpty()) {
        folders << named;
    }
    const QString programs = QCoreApplication::applicationDirPath();
    folders << programs + QStringLiteral("/skin") << programs + QStringLiteral("/../share/srctrl/skin");
    return folders;
}

// The template files of the first skin folder that has any; the skin's own windows (sr_*.xml)
// are not templates.
QStringList skinTemplates()
{
    for (const QString& folder : skinFolders()) {
        const QDir dir(folder + QStringLiteral("/srctrl"));
        QStringList files;
        for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
            if (!file.fileName().startsWith(QLatin1String("sr_"))) {
                files << file.absoluteFilePath();
            }
        }
        if (!files.isEmpty()) {
            return files;
        }
    }
    return {};
}

// The template's own title, as the template region RT_TEMPINFO names it; the file's name when it
// names none.
QString templateTitle(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QXmlStreamReader xml(&file);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                xml.attributes().value(QLatin1String("name")) == QLatin1String("RT_TEMPINFO")) {
                const QString title = xml.attributes().value(QLatin1String("template_name")).toString().trimmed();
                if (!title.isEmpty()) {
                    return title;
                }
                break;
            }
        }
    }
    return QFileInfo(path).completeBaseName();
}

} // namespace

TemplateChooser::TemplateChooser(IReportCtrl& ctrl, QWidget* parent)
    : QDialog(parent), m_ctrl(ctrl), m_list(new QListWidget), m_message(new QLabel),
      m_forNewReports(new QCheckBox(tr("Use for reports opened later")))
{
    setWindowTitle(tr("Report template"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(kThumbnail);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setMinimumSize(3 * (kThumbnail.width() + 40), kThumbnail.height() + 60);
    m_message->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* other = buttons->addButton(tr("Other template…"), QDialogButtonBox::ActionRole);
    connect(other, &QPushButton::clicked, this, &TemplateChooser::browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(m_list, &QListWidget::currentItemChanged, ok, [ok](QListWidgetItem* item) { ok->setEnabled(item != nullptr); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_message);
    layout->addWidget(m_forNewReports);
    layout->addWidget(buttons);
    addSkinTemplates();
}

QString TemplateChooser::templatePath() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item != nullptr ? item->data(Qt::UserRole).toString() : QString();
}

bool TemplateChooser::forNewReports() const
{
    return m_forNewReports->isChecked();
}

void TemplateChooser::addSkinTemplates()
{
    const QStringList files = skinTemplates();
    if (files.isEmpty()) {
        m_message->setText(tr("No templates found in the skin folder; pick a template file."));
    }
    for (const QString& file : files) {
        addTemplate(file);
    }
}

void TemplateChooser::browse()
{
    QFileDialog dialog(this, tr("Open a report template"), QString(), tr("Report templates (*.xml);;All files (*)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && addTemplate(dialog.selectedFiles().value(0))) {
        m_list->setCurrentRow(m_list->count() - 1);
    }
}

bool TemplateChooser::addTemplate(const QString& path)
{
    int width = 0;
    int height = 0;
    const QImage page = BitmapImage::take(m_ctrl.CreateTemplatePreview(QFile::encodeName(path).constData(), &width, &height,
                                                                     kThumbnail.width(), kThumbnail.height()));
    if (page.isNull()) {
        m_message->setText(ReportFile::failure(tr("Cannot use the template %1").arg(QFileInfo(path).fileName())));
        return false;
    }
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(page)), templateTitle(path), m_list);
    item->setData(Qt::UserRole, path);
    item->setToolTip(path);
    m_message->clear();
    return true;
}
