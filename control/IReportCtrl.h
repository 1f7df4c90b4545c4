#pragma once

// The report control as a host program drives it. Include this header and link libsrctrl.
//
// Create the control with CreateReportCtrl, give it a window with Create, open or create
// reports, and release it with ReleaseReportCtrl. Every call runs on the thread that owns the
// host's windows; notifications run inside the calls (and the user's input) that cause them.
// No call throws: failures are null, false or -1, and SrCtrlGetLastError says why. Memory that
// cannot be had ends the call the same way ("... out of memory", ErrorCode::OutOfMemory), and
// the control works on once memory is there again; only DCMTK's SR tree code, which allocates
// while it frees, ends the process when a small block of memory cannot be had, as it would in
// any DCMTK program. A callback of the host that throws does not unwind into the control: the
// exception stops at the control, the notification counts as heard (the callbacks after it are
// still told), and what it said is logged as an error through DCMTK's logger "srctrl".

#include "control/SrCtrl.h"
#include "platform/Export.h"
#include "platform/Host.h"
#include "platform/PdfPrinter.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/win32/GdiPlusStartup.h"
#include "report/IKMReport.h"

// Notifications from the control to the host. The control keeps the pointer until
// RemoveCallback or release and never deletes it.
class IReportCtrlCallback {
public:
    // A value was stored in the active report's document; `value` is valid during the call. A
    // change to a document whose instance was kept (opened, saved, or SetModified(false)) first
    // gives it a new SOP Instance UID: it is told here as tag 0x00080018 with the new UID, before
    // the change that caused it (see IKMReport::GetDcmSR).
    virtual void OnReportValueChanged(IKMReport* report, srctrl::DWORD tag, const wchar_t* value) = 0;
    // Another report became the active one.
    virtual void OnActiveReportChanged(IKMReport* report) = 0;
    // A report was added; sent before it is activated.
    virtual void OnReportAdded(IKMReport* report) = 0;
    // A report left the control; the handle is valid during the call only. The report is no
    // longer counted, indexed or active: calls that need the active report fail with "the
    // report is closing" (a host may activate another report here, and keeps that choice), and
    // no notification about the report follows.
    virtual void OnReportClosing(IKMReport* report) = 0;
    virtual void OnDocumentCompleted(IKMReport* report) = 0;
    virtual void OnDocumentVerified(IKMReport* report) = 0;
    // The active report's modified flag changed; read it with IsModified.
    virtual void OnModifiedChanged(IKMReport* report) = 0;
    // The active report loaded a template or rebuilt its page with other image boxes.
    virtual void OnLayoutChanged(IKMReport* report) = 0;

protected:
    ~IReportCtrlCallback() = default;
};

class IReportCtrl {
public:
    virtual ~IReportCtrl() = default;

    // The control's window, a visible child of `parent`; null on failure, also when no skin
    // folder is found (see SrCtrlSetSkinFolder).
    virtual srctrl::HWND Create(srctrl::HWND parent, int x, int y, int cx, int cy) = 0;
    virtual bool MoveWindow(int x, int y, int cx, int cy) = 0;
    virtual srctrl::HWND GetHWND() = 0;
    // Prints the active report as one page on the named printer.
    virtual bool Print(const char* printerName) = 0;
    // A new report for the study of a DICOM file.
    virtual IKMReport* CreateReportFromImage(const char* dicomFile) = 0;
    // Opens an SR document the host holds (only read); an open document with the same SOP
    // Instance UID is activated instead.
    virtual IKMReport* OpenReport(KMDcmFile* document) = 0;
    virtual IKMReport* OpenReportFile(const char* path) = 0;
    // A new report that copies another report's document under new identities.
    virtual IKMReport* CreateReportFromReport(IKMReport* source) = 0;
    virtual int GetReportCount() = 0;
    virtual IKMReport* GetActiveReport() = 0;
    virtual IKMReport* GetReport(int index) = 0;
    virtual void CloseReport(IKMReport* report) = 0;
    virtual void CloseReportAt(int index) = 0;
    virtual void Reserved() = 0;
    virtual void ActivateReport(IKMReport* report) = 0;
    virtual void ActivateReportAt(int index) = 0;
    virtual int GetReportIndex(IKMReport* report) = 0;
    // The template for reports opened or created later; null restores the default (and gives
    // false); a file that does not exist changes nothing.
    virtual bool SetTemplateFile(const char* path) = 0;
    // Loads a template (null: the default one) into the active report.
    virtual bool ApplyTemplate(const char* path) = 0;
    virtual float GetZoom() = 0;
    virtual void SetZoom(float ratio) = 0;
    // 1 fits the page wholly into the window; any other value keeps the zoom ratio.
    virtual int GetFitMode() = 0;
    virtual void SetFitMode(int mode) = 0;
    virtual bool SetReportValue(srctrl::DWORD tag, const wchar_t* value) = 0;
    virtual bool GetReportValue(srctrl::DWORD tag, std::wstring& value) = 0;
    // Callbacks are told in registration order; null and duplicates are ignored.
    virtual void AddCallback(IReportCtrlCallback* callback) = 0;
    virtual void RemoveCallback(IReportCtrlCallback* callback) = 0;
    // The page of a template file, without document values, in a new bitmap (owned by the
    // caller) that fits into maxWidth x maxHeight with the page's proportions; its size goes to
    // `width` and `height`. Null on failure and before Create.
    virtual srctrl::HBITMAP CreateTemplatePreview(const char* templateFile, int* width, int* height, int maxWidth,
                                          int maxHeight) = 0;
    // The image box of the active report under the point (x, y) of the control's window, in
    // client coordinates as the host's mouse events give them: its index for
    // IKMReport::SetKeyImageFile, SetImage and ClearImage, or -1 (no box there, or no report).
    virtual int GetImageBoxAt(int x, int y) = 0;
    // Opens a report again from its snapshot (IKMReport::GetSnapshot), as the report was when
    // it was taken: its document, under the same identity (a kept instance takes a new version
    // at its next change, one never stored goes on as the same version), and the typing the
    // document did not hold yet stored as the control takes typing in (a value the document
    // refuses is not stored, as it would not have been). It opens modified: what it holds is
    // stored nowhere. An open document with the same SOP Instance UID is activated instead and
    // takes the typing. Null, with the reason, for bytes that are no SR document ("file not
    // readable: the buffer: empty file", "not a DICOM file: the buffer: ..."); nothing is opened
    // then.
    virtual IKMReport* OpenReportSnapshot(const KMReportSnapshot& snapshot) = 0;
};

SRCTRL_API IReportCtrl* CreateReportCtrl();
// Destroys the control and every open report without notifications; null does nothing. Destroy
// the control's window (or its parent) first: a window left behind no longer reaches the control.
SRCTRL_API void ReleaseReportCtrl(IReportCtrl* ctrl);
