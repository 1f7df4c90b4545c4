#pragma once

#include "platform/kmbase/KMString.h"
#include "platform/kmdicom/KMDcmWindow.h"
#include "platform/win32/WinBitmap.h"
#include "report/KMReportSnapshot.h"

#include <string>
#include <utility>
#include <vector>

class KMDcmDataset;
class KMDcmSR;

// One open report, as the host sees it. The control owns the report: the handle stays valid
// until the report is closed or the control is released, and the host never deletes it. Paths,
// names, the QR text and template texts are narrow UTF-8; tag values are wide.
class IKMReport {
public:
    virtual const char* GetReportName() = 0;
    virtual bool SetValue(srctrl::DWORD tag, const wchar_t* value) = 0;
    virtual bool GetValue(srctrl::DWORD tag, std::wstring& value) = 0;
    virtual bool LoadTemplate(const char* path) = 0;
    // The report's document, the control's own, for the host to read, store or send. An
    // instance that has left the control is never changed under its UID: once the document was
    // opened, written by its SaveFile, or declared stored with SetModified(false), the first
    // change (a value, a picture, completion, verification) makes it its next version, with a
    // new SOP Instance UID and the kept instance added to its Predecessor Documents Sequence.
    // A host that stores the document by other means than SaveFile calls SetModified(false).
    // Changes made to the dataset directly are the host's own and are not versioned.
    virtual KMDcmSR* GetDcmSR() = 0;
    virtual void RefreshLayout() = 0;
    virtual void SetHostData(const char* text) = 0;
    virtual KMString* GetHostData() = 0;
    virtual bool EnableUI(bool enable) = 0;
    virtual void CompleteDocument() = 0;
    virtual void VerifyDocument() = 0;
    virtual bool IsCompleted() = 0;
    virtual bool IsVerified() = 0;
    virtual bool IsModified() = 0;
    // False also declares the document as it is now stored (see GetDcmSR).
    virtual void SetModified(bool modified) = 0;
    virtual int GetImageBoxCount() = 0;
    // Stores the bitmap as JPEG in the document and shows it in image box `index` (counted from 0,
    // below GetImageBoxCount). No GdiplusStartup is needed. The bitmap stays the caller's. A key
    // image the box showed (SetKeyImageFile) gives way with its references. False with the
    // reason, such as "no image box 3: the page has 2", "no bitmap" or "JPEG not encoded: ...".
    virtual bool SetImage(int index, srctrl::HBITMAP bitmap) = 0;
    virtual bool SetQRCode(const char* text) = 0;
    virtual bool SetAttributeList(const std::vector<std::pair<std::string, std::string>>& rows) = 0;
    virtual bool GetAttributeList(std::vector<std::pair<std::string, std::string>>& rows) = 0;
    virtual bool SetLogo(const char* imagePath) = 0;
    virtual bool GetLogo(std::string& imageName) = 0;
    virtual bool SaveTemplate(const char* path, const char* templateName) = 0;
    virtual bool IsLogoVisible() = 0;
    virtual bool SetLogoVisible(bool visible) = 0;
    virtual bool GetImageLayoutList(std::vector<std::string>& names) = 0;
    virtual bool IsImageVisible() = 0;
    virtual bool SetImageVisible(bool visible) = 0;
    virtual bool SetImageLayout(int index) = 0;
    virtual bool GetImageLayout(int& index) = 0;

    // Puts frame `frame` (1 for the first) of a DICOM image file into image box `index` as a key
    // image: rendered as a viewer shows it (MONOCHROME1 and 2, colour, 8 to 16 bits, compressed
    // syntaxes), through `window` or, for null (or a width of 0), the image's own window, its VOI
    // LUT or the frame's range, scaled down to at most kKeyImageSide pixels a side. The document
    // keeps the JPEG as SetImage does and references the image: an IMAGE item (SOP Class, SOP
    // Instance, the frame of a multi-frame image) under the content root, and the instance, by
    // study and series, in the Current Requested Procedure Evidence Sequence (0040,A375), or in
    // the Pertinent Other Evidence Sequence (0040,A385) for an image of another study. What the
    // box showed before gives way with its references. False, with the document unchanged and
    // the reason: "no image box 3: the page has 2", "not a DICOM file: PATH", "no pixel data in
    // PATH", "no frame 4 in the image (it has 3)", "the report is verified: ...", "no image
    // reference can be added: ..." (a document that takes no IMAGE items).
    virtual bool SetKeyImageFile(int index, const char* dicomFile, int frame, const KMDcmWindow* window) = 0;
    // The same from an image the host holds in memory (a KMDcmFile's GetDataset()), which is
    // only read.
    virtual bool SetKeyImageDataset(int index, const KMDcmDataset* image, int frame, const KMDcmWindow* window) = 0;
    // Empties image box `index`, on the page and in the document, with the references that only
    // its key image made. True also for a box that was empty (nothing changes then); false, with
    // the reason, for a box that is not there or a verified report.
    virtual bool ClearImage(int index) = 0;
    static constexpr int kKeyImageSide = 1024;

    // A copy of the report for a host that keeps one while the person types (an autosave),
    // which takes nothing in: the document's bytes as it stands (as GetDcmSR()->SaveToBuffer
    // gives them), whether its instance is kept, and what the person typed that it does not
    // hold yet (a long text until typing pauses, a date until the focus leaves), in the
    // document's form. Reading the document through GetDcmSR would take that typing in, which
    // for a finding of megabytes costs a keystroke's wait; this costs a copy.
    // IReportCtrl::OpenReportSnapshot opens the report again from it. The snapshot's text keeps
    // its capacity for the next call. Encoding is not keeping (see GetDcmSR): the report's
    // identity and its modified state stay. False, with the reason "document not encoded:
    // REASON", when the document cannot be encoded.
    virtual bool GetSnapshot(KMReportSnapshot& snapshot) = 0;

protected:
    ~IKMReport() = default;
};
