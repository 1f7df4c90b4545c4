#pragma once

#include "ReportStatus.h"

#include <QString>

class IKMReport;
class QWidget;

// Key images: frames of DICOM images that the person puts into the image boxes of a report's
// page, which the control renders as a viewer shows them and references in the document. Each
// call asks what it needs (the frame of a multi-frame image, the box when none is named) and
// says what happened in `message`, for the status bar: a failure in the control's words. Boxes
// are counted from 0 as the control counts them, and named from 1 to the person. None of this
// can be undone: the editor's undo covers typing in the page's text fields.
namespace KeyImages {

using Outcome = ReportStatus::Outcome;

// Whether the report's page can take key images now; false, with the reason, for a verified
// report or a page without image boxes.
bool mayChange(IKMReport& report, QString& message);
// Puts a frame of the DICOM image at `path` into box `box`, or, for -1, into the first empty box;
// when every box holds a picture, the person picks the one to replace.
Outcome put(QWidget* parent, IKMReport& report, int box, const QString& path, QString& message);
// Empties box `box`, or, for -1, one the person picks among those that hold a picture.
Outcome remove(QWidget* parent, IKMReport& report, int box, QString& message);
// Whether box `box` holds a picture (a key image or a host's bitmap).
bool holdsPicture(IKMReport& report, int box);

} // namespace KeyImages
