#pragma once

#include "platform/kmdicom/KMDcmWindow.h"

#include <memory>
#include <string>
#include <vector>

class DcmFileFormat;
class KMDcmDataset;

// One frame of a DICOM image, rendered as a viewer shows it, with DCMTK's image toolkit and its
// decoders (JPEG baseline, extended and lossless, JPEG-LS, RLE, and the uncompressed syntaxes):
// MONOCHROME1 and 2 at 8 to 16 bits through the modality transformation and a window (the
// caller's, else the file's first window, else its first VOI LUT, else the frame's own range),
// and RGB, YBR and palette colour. What the image is (its SOP Class and Instance, study and
// series) stays readable for the references a report makes to it.
class KMDcmImage {
public:
    KMDcmImage();
    // Frees the dataset where its depth is safe.
    ~KMDcmImage();
    KMDcmImage(const KMDcmImage&) = delete;
    KMDcmImage& operator=(const KMDcmImage&) = delete;

    // Reads the image file at `path` (a regular file of at most KMDcmFile::kMaxFileBytes). False,
    // with `reason` ("not a DICOM file: PATH", "no pixel data in PATH"), when it is not one; the
    // object then holds nothing.
    bool Load(const char* path, std::string& reason);
    // Takes the image over from a file read elsewhere; the same checks.
    bool Adopt(std::unique_ptr<DcmFileFormat> file, std::string& reason);
    // Takes a copy of a dataset that stays its owner's (a host's image held in memory); the same
    // checks, and false for null or an unbound dataset.
    bool Copy(const KMDcmDataset* image, std::string& reason);

    // The number of frames (1 for a single-frame image).
    int GetFrameCount() const { return m_nFrames; }
    const std::string& GetSOPClassUID() const { return m_strSopClass; }
    const std::string& GetSOPInstanceUID() const { return m_strSopInstance; }
    const std::string& GetStudyInstanceUID() const { return m_strStudy; }
    const std::string& GetSeriesInstanceUID() const { return m_strSeries; }

    // A frame as shown: 8-bit samples, top row first, rows without padding; one sample a pixel
    // for a monochrome image (black 0), three (R, G, B) for a colour one.
    struct Rendered {
        int nWidth = 0;
        int nHeight = 0;
        int nChannels = 0;
        std::vector<unsigned char> vecSamples;
    };
    // Frame `frame` (1 for the first), scaled down (never up) to fit `maxSide` pixels on its
    // longer side (0: as it is). False, with `reason`, for a frame that is not there or pixel data
    // DCMTK cannot decode.
    bool Render(int frame, const KMDcmWindow* window, int maxSide, Rendered& out, std::string& reason) const;

private:
    std::unique_ptr<DcmFileFormat> m_pFile;
    std::string m_strName;
    std::string m_strSopClass;
    std::string m_strSopInstance;
    std::string m_strStudy;
    std::string m_strSeries;
    int m_nFrames = 0;
    // How deeply the dataset nests: DCMTK frees it by recursion (KMDcmDeepStack).
    int m_nDepth = 0;
};
