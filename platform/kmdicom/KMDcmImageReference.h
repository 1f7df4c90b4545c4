#pragma once

#include <string>

// The image instance, and the frame of it, that a key image was made from.
struct KMDcmImageReference {
    std::string strSOPClassUID;
    std::string strSOPInstanceUID;
    std::string strStudyInstanceUID;
    std::string strSeriesInstanceUID;
    // The frame of a multi-frame image, from 1; 0 for an image of one frame, which DICOM
    // references as a whole.
    int nFrame = 0;
};
