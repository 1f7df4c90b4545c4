#pragma once

#include "platform/kmdicom/KMDcmImageReference.h"

#include <string>
#include <vector>

class KMDcmDataset;
class KMDcmSR;

// The pictures of a report's image boxes, and the references that other viewers follow for those
// made from DICOM images.
//
// Box i is item i of the Referenced Image Sequence (0008,1140): its Encapsulated Document
// (0042,0011) holds the picture's JPEG, which stored files and hosts rely on. A key image made
// from a DICOM image names its source in the same item (Referenced SOP Class and Instance UID,
// Referenced Frame Number), and the document holds, once for each image (and frame) that the
// boxes show:
// - an IMAGE item under the root (KMDcmReportConcepts::KeyImageItem);
// - its instance in the evidence, by study and series: the Current Requested Procedure Evidence
//   Sequence (0040,A375) for an image of the report's study, the Pertinent Other Evidence
//   Sequence (0040,A385) for one of another study (a prior), since DICOM lists an instance in
//   only one of them.
// Replacing or clearing a box takes away what only its key image made.
class KMDcmKeyImages {
public:
    // Puts `jpeg` into box `index`, made from `source` (null for a picture without one, such as a
    // bitmap a host hands over). False, with `reason` and the document unchanged, for a negative
    // index, no bytes, UIDs that are not valid, or a document that takes no IMAGE items
    // (KMDcmSR::AddImageItem: a Key Object Selection document, one bound to a template without a
    // place for them, one with content items that cannot be read).
    static bool Set(KMDcmSR& sr, int index, const std::vector<unsigned char>& jpeg, const KMDcmImageReference* source,
                    std::string& reason);
    // Empties box `index`: its picture goes, with the references that only it made. Items after
    // it keep their places (an empty item stands for an empty box); empty items at the end go.
    // False when the box held no picture (nothing changes then).
    static bool Clear(KMDcmSR& sr, int index);
    // The key images of the boxes, in box order, each image (and frame) once, with its study and
    // series as the evidence lists them; a source the evidence does not list (a document changed
    // elsewhere) is left out, since nothing could name its series.
    static std::vector<KMDcmImageReference> Get(const KMDcmSR& sr);

private:
    // Writes the picture and its source (or none) into box `index`.
    static bool WriteBox(KMDcmDataset& dataset, int index, const std::vector<unsigned char>& jpeg,
                         const KMDcmImageReference* source);
};
