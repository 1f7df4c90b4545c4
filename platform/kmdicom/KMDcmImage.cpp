#include "platform/kmdicom/KMDcmImage.h"

#include "platform/kmdicom/KMDcmDataset.h"
#include "platform/kmdicom/KMDcmDeepStack.h"
#include "platform/kmdicom/KMDcmFile.h"
#include "platform/kmdicom/KMDcmIO.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmWalk.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcrledrg.h>
#include <dcmtk/dcmimage/diregist.h>
#include <dcmtk/dcmimgle/dcmimage.h>
#include <dcmtk/dcmjpeg/djdecode.h>
#include <dcmtk/dcmjpls/djdecode.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace {

// DCMTK finds its decoders in a registry of the process; they are registered once, for good.
void RegisterDecoders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        DJDecoderRegistration::registerCodecs();
        DJLSDecoderRegistration::registerCodecs();
        DcmRLEDecoderRegistration::registerCodecs();
    });
}

std::string Uid(DcmDataset& dataset, const DcmTagKey& tag)
{
    OFString value;
    dataset.findAndGetOFString(tag, value);
    return value.c_str();
}

// The window the frame is shown through: the caller's, the file's first, its first VOI LUT, or
// the frame's own range of values.
void ChooseWindow(DicomImage& image, const KMDcmWindow* window)
{
    if (!image.isMonochrome()) {
        return;
    }
    if (window != nullptr && window->dWidth > 0) {
        image.setWindow(window->dCenter, window->dWidth);
    } else if (image.getWindowCount() > 0) {
        image.setWindow(0);
    } else if (image.getVoiLutCount() > 0) {
        image.setVoiLut(0);
    } else {
        image.setMinMaxWindow();
    }
}

} // namespace

KMDcmImage::KMDcmImage() = default;

KMDcmImage::~KMDcmImage()
{
    KMDcmDeepStack::Delete(std::move(m_pFile), m_nDepth);
}

bool KMDcmImage::Load(const char* path, std::string& reason)
{
    m_strName = path != nullptr ? path : "";
    std::unique_ptr<DcmFileFormat> file = KMDcmIO::Load(path, true, KMDcmFile::kMaxFileBytes, reason);
    return file != nullptr && Adopt(std::move(file), reason);
}

bool KMDcmImage::Copy(const KMDcmDataset* image, std::string& reason)
{
    m_strName.clear();
    if (image == nullptr || !image->IsBound()) {
        KMDcmDeepStack::Delete(std::move(m_pFile), m_nDepth);
        m_nFrames = 0;
        reason = "no image given";
        return false;
    }
    const KMDcmLog quiet;
    auto file = std::make_unique<DcmFileFormat>();
    DcmDataset* copy = file->getDataset();
    bool copied = true;
    // Cloning recurses as deeply as the image nests.
    const int depth = image->GetDepth();
    const bool ran = KMDcmDeepStack::RunFor(depth, [&] {
        DcmItem* source = image->GetItem();
        for (DcmObject* element = source->nextInContainer(nullptr); element != nullptr && copied;
             element = source->nextInContainer(element)) {
            copied = copy->insert(static_cast<DcmElement*>(element->clone()), true).good();
        }
    });
    if (!ran || !copied) {
        KMDcmDeepStack::Delete(std::move(file), depth);
        KMDcmDeepStack::Delete(std::move(m_pFile), m_nDepth);
        m_nFrames = 0;
        reason = "the image cannot be copied";
        return false;
    }
    // Pixel data copied in its compressed form is read in the syntax that form has.
    copy->updateOriginalXfer();
    return Adopt(std::move(file), reason);
}

bool KMDcmImage::Adopt(std::unique_ptr<DcmFileFormat> file, std::string& reason)
{
    KMDcmDeepStack::Delete(std::move(m_pFile), m_nDepth);
    m_nFrames = 0;
    const std::string name = m_strName.empty() ? std::string("the image") : m_strName;
    m_strName.clear();
    DcmDataset* dataset = file != nullptr ? file->getDataset() : nullptr;
    const int depth = dataset != nullptr ? KMDcmWalk::ForEachElement(*dataset, [](DcmItem&, DcmElement&, int) {}) : 0;
    if (dataset == nullptr || !dataset->tagExists(DCM_PixelData)) {
        reason = "no pixel data in " + name;
        KMDcmDeepStack::Delete(std::move(file), depth);
        return false;
    }
    long frames = 1;
    OFString count;
    if (dataset->findAndGetOFString(DCM_NumberOfFrames, count).good() && !count.empty()) {
        frames = std::max(1L, std::atol(count.c_str()));
    }
    m_strSopClass = Uid(*dataset, DCM_SOPClassUID);
    m_strSopInstance = Uid(*dataset, DCM_SOPInstanceUID);
    m_strStudy = Uid(*dataset, DCM_StudyInstanceUID);
    m_strSeries = Uid(*dataset, DCM_SeriesInstanceUID);
    m_nFrames = static_cast<int>(std::min(frames, 1L << 20));
    m_nDepth = depth;
    m_pFile = std::move(file);
    return true;
}

bool KMDcmImage::Render(int frame, const KMDcmWindow* window, int maxSide, Rendered& out, std::string& reason) const
{
    out = Rendered();
    if (!m_pFile || frame < 1 || frame > m_nFrames) {
        reason = "no frame " + std::to_string(frame) + " in the image (it has " + std::to_string(m_nFrames) + ")";
        return false;
    }
    RegisterDecoders();
    const KMDcmLog quiet;
    DcmDataset* dataset = m_pFile->getDataset();
    DicomImage image(dataset, dataset->getOriginalXfer(), CIF_UsePartialAccessToPixelData,
                     static_cast<unsigned long>(frame - 1), 1);
    if (image.getStatus() != EIS_Normal) {
        reason = std::string("the image cannot be shown: ") + DicomImage::getString(image.getStatus());
        return false;
    }
    ChooseWindow(image, window);
    const unsigned long width = image.getWidth();
    const unsigned long height = image.getHeight();
    const double scale = maxSide > 0 ? std::min(1.0, static_cast<double>(maxSide) / std::max(width, height)) : 1.0;
    std::unique_ptr<DicomImage> scaled;
    DicomImage* shown = &image;
    if (scale < 1.0) {
        scaled.reset(image.createScaledImage(std::max(1UL, static_cast<unsigned long>(std::lround(width * scale))),
                                             std::max(1UL, static_cast<unsigned long>(std::lround(height * scale))),
                                             1 /* interpolate */));
        if (!scaled || scaled->getStatus() != EIS_Normal) {
            reason = "the image cannot be scaled";
            return false;
        }
        shown = scaled.get();
    }
    out.nWidth = static_cast<int>(shown->getWidth());
    out.nHeight = static_cast<int>(shown->getHeight());
    out.nChannels = shown->isMonochrome() ? 1 : 3;
    // DCMTK writes the samples straight into the caller's buffer, interleaved.
    out.vecSamples.resize(static_cast<size_t>(out.nWidth) * static_cast<size_t>(out.nHeight) * static_cast<size_t>(out.nChannels));
    if (shown->getOutputData(out.vecSamples.data(), out.vecSamples.size(), 8, 0, 0) == 0) {
        reason = std::string("the image cannot be shown: ") + DicomImage::getString(shown->getStatus());
        out = Rendered();
        return false;
    }
    return true;
}
