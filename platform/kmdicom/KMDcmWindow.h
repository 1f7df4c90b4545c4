#pragma once

// The window a monochrome frame is seen through: centre and width in the image's modality units
// (Hounsfield units for CT). A width of 0 or less means none is given, and the image's own is
// taken.
struct KMDcmWindow {
    double dCenter = 0;
    double dWidth = 0;
};
