#pragma once

#include "platform/win32/WinBitmap.h"

#include <memory>
#include <string>

class DcmFileFormat;

// The window a monochrome frame is seen through: centre and width in the image's modality units
// (Hounsfield units for CT). A width of 0 or less means none is given.
struct KMDcmWindow {
    double dCenter = 0;
    double dWidth = 0;
};

// One frame of a DICOM image, rendered as a viewer shows it, with DCMTK's image toolkit and its
// decoders (JPEG baseline, extended and lossless, JPEG-LS, RLE, and the uncompressed syntaxes):
// MONOCHROME1 and 2 at 8 to 16 bits through the modality transformation and a window (the
// caller's, else the file's first window, else its first VOI LUT, else the frame's own range),
// and RGB, YBR and palette colour. What the image is (its SOP Class and Instance, study and
// series) stays readable for the references a report makes to it.
class KMDcmImage {
public:
    KMDcmImage();
    ~KMDcmImage();
    KMDcmImage(const KMDcmImage&) = delete;
    KMDcmImage& operator=(const KMDcmImage&) = delete;

    // Reads the image file at `path` (a regular file of at most KMDcmFile::kMaxFileBytes). False,
    // with `reason` ("not a DICOM file: PATH", "no pixel data in PATH"), when it is not one; the
    // object then holds nothing.
    bool Load(const char* path, std::string& reason);
    // Takes the image over from a file read elsewhere (a host's own); the same checks.
    bool Adopt(std::unique_ptr<DcmFileFormat> file, std::string& reason);

    // The number of frames (1 for a single-frame image).
    int GetFrameCount() const { return m_nFrames; }
    const std::string& GetSOPClassUID() const { return m_strSopClass; }
    const std::string& GetSOPInstanceUID() const { return m_strSopInstance; }
    const std::string& GetStudyInstanceUID() const { return m_strStudy; }
    const std::string& GetSeriesInstanceUID() const { return m_strSeries; }

    // Frame `frame` (1 for the first) as a 32-bit bitmap the caller owns, scaled down (never up)
    // to fit `maxSide` pixels on its longer side. Null, with `reason`, for a frame that is not
    // there, pixel data DCMTK cannot decode, or a bitmap that cannot be made.
    HBITMAP Render(int frame, const KMDcmWindow* window, int maxSide, std::string& reason) const;

private:
    std::unique_ptr<DcmFileFormat> m_pFile;
    std::string m_strName;
    std::string m_strSopClass;
    std::string m_strSopInstance;
    std::string m_strStudy;
    std::string m_strSeries;
    int m_nFrames = 0;
};
