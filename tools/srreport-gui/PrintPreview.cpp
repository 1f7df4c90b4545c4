#include "PrintPreview.h"

#include <srctrl/IReportCtrl.h>

#include <poppler-qt6.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <iterator>

namespace {

// Zoom levels of the pages, in percent of their size on paper at 96 pixels an inch.
constexpr int kZoomLevels[] = {25, 50, 75, 100, 150, 200};
constexpr int kStartZoom = 1;
constexpr double kScreenDpi = 96.0;
// The name the preview's file printer is registered under.
constexpr const char* kPreviewPrinter = "srreport-gui print preview";

} // namespace

PrintPreview::PrintPreview(IReportCtrl& ctrl, const QByteArray& printer, const QString& target, QWidget* parent)
    : QDialog(parent), m_ctrl(ctrl), m_printer(printer), m_scroll(new QScrollArea), m_pages(new QVBoxLayout),
      m_zoomLabel(new QLabel), m_zoomIndex(kStartZoom)
{
    setWindowTitle(tr("Print Preview"));
    auto* zoomOut = new QToolButton;
    zoomOut->setText(tr("Zoom Out"));
    auto* zoomIn = new QToolButton;
    zoomIn->setText(tr("Zoom In"));
    connect(zoomOut, &QToolButton::clicked, this, [this] { setZoom(m_zoomIndex - 1); });
    connect(zoomIn, &QToolButton::clicked, this, [this] { setZoom(m_zoomIndex + 1); });
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, this, [this] { setZoom(m_zoomIndex - 1); });
    connect(new QShortcut(QKeySequence::ZoomIn, this), &QShortcut::activated, this, [this] { setZoom(m_zoomIndex + 1); });
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("Printer: %1").arg(target)), 1);
    bar->addWidget(zoomOut);
    bar->addWidget(m_zoomLabel);
    bar->addWidget(zoomIn);

    // Pages lie on grey, as on a desk, so that their white edges show.
    auto* sheet = new QWidget;
    sheet->setObjectName(QStringLiteral("previewPages"));
    sheet->setStyleSheet(QStringLiteral("#previewPages { background: #808080; }"));
    sheet->setLayout(m_pages);
    m_pages->setSpacing(16);
    m_pages->setAlignment(Qt::AlignHCenter);
    m_scroll->setWidget(sheet);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignHCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Print"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("&Close"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(buttons);
    resize(900, 1000);
}

PrintPreview::~PrintPreview() = default;

bool PrintPreview::load(QString& error)
{
    if (!m_folder.isValid()) {
        error = tr("Cannot preview: no temporary folder (%1)").arg(m_folder.errorString());
        return false;
    }
    const QString pdf = m_folder.filePath(QStringLiteral("preview.pdf"));
    if (!srctrl::platform::RegisterPdfPrinterLike(kPreviewPrinter, QFile::encodeName(pdf).constData(), m_printer.constData()) ||
        !m_ctrl.Print(kPreviewPrinter)) {
        error = tr("Cannot preview: %1").arg(QString::fromUtf8(SrCtrlGetLastError()));
        return false;
    }
    m_document = Poppler::Document::load(pdf);
    if (m_document == nullptr || m_document->isLocked() || m_document->numPages() < 1) {
        error = tr("Cannot preview: the printed pages cannot be read back");
        return false;
    }
    // As pdftoppm draws them, so that the preview is what a reader of the PDF sees.
    m_document->setRenderHint(Poppler::Document::Antialiasing);
    m_document->setRenderHint(Poppler::Document::TextAntialiasing);
    const int pages = m_document->numPages();
    setWindowTitle(pages == 1 ? tr("Print Preview \u2014 1 page") : tr("Print Preview \u2014 %1 pages").arg(pages));
    setZoom(m_zoomIndex);
    return true;
}

int PrintPreview::pageCount() const
{
    return m_document != nullptr ? m_document->numPages() : 0;
}

void PrintPreview::setZoom(int index)
{
    m_zoomIndex = qBound(0, index, static_cast<int>(std::size(kZoomLevels)) - 1);
    m_zoomLabel->setText(tr("%1%").arg(kZoomLevels[m_zoomIndex]));
    showPages();
}

void PrintPreview::showPages()
{
    if (m_document == nullptr) {
        return;
    }
    while (QLayoutItem* item = m_pages->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const double ratio = devicePixelRatioF();
    const double dpi = kScreenDpi * kZoomLevels[m_zoomIndex] / 100.0 * ratio;
    for (int index = 0; index < m_document->numPages(); ++index) {
        const std::unique_ptr<Poppler::Page> page = m_document->page(index);
        QImage image = page != nullptr ? page->renderToImage(dpi, dpi) : QImage();
        image.setDevicePixelRatio(ratio);
        auto* label = new QLabel;
        label->setPixmap(QPixmap::fromImage(image));
        label->setToolTip(tr("Page %1 of %2").arg(index + 1).arg(m_document->numPages()));
        m_pages->addWidget(label, 0, Qt::AlignHCenter);
    }
}
