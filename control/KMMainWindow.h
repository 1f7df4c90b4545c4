#pragma once

#include "control/IKMReportWindowCallback.h"
#include "control/IReportCtrl.h"
#include "platform/duilib/WindowImplBase.h"
#include "platform/kmbase/KMReentrant.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class KMDcmDictionaryLoad;
class KMPrintWindow;
class KMReportWindow;

// The object behind IReportCtrl: a child window of the host whose "contentPanel" shows the
// active report. It owns the report windows (in the order they were added) and a hidden print
// window for template previews, carries the zoom, fit and template settings that reports receive,
// and relays the active report's events to the host's callbacks.
//
// Callbacks may register or remove callbacks, and activate or close reports, while they are
// notified: each notification goes to the callbacks registered when it started that are still
// registered, and stops when the report it names has been closed (or, for an activation, is no
// longer the active one) meanwhile. A report closed, or the control released, from inside a
// notification stays in memory until the call that sent it returns (see KMReentrant); the
// control's operations do nothing once it is released.
class KMMainWindow : public DuiLib::WindowImplBase,
                     public IReportCtrl,
                     public IKMReportWindowCallback,
                     public KMReentrant {
public:
    KMMainWindow();
    ~KMMainWindow() override;

    // Deletes the control now, or as the outermost call into it returns.
    void Release();

    // IReportCtrl
    HWND Create(HWND parent, int x, int y, int cx, int cy) override;
    bool MoveWindow(int x, int y, int cx, int cy) override;
    HWND GetHWND() noexcept override;
    bool Print(const char* printerName) override;
    IKMReport* CreateReportFromImage(const char* dicomFile) override;
    IKMReport* OpenReport(KMDcmFile* document) override;
    IKMReport* OpenReportFile(const char* path) override;
    IKMReport* OpenReportSnapshot(const KMReportSnapshot& snapshot) override;
    IKMReport* CreateReportFromReport(IKMReport* source) override;
    int GetReportCount() noexcept override;
    IKMReport* GetActiveReport() noexcept override;
    IKMReport* GetReport(int index) override;
    void CloseReport(IKMReport* report) override;
    void CloseReportAt(int index) override;
    void Reserved() noexcept override;
    void ActivateReport(IKMReport* report) override;
    void ActivateReportAt(int index) override;
    int GetReportIndex(IKMReport* report) override;
    bool SetTemplateFile(const char* path) override;
    bool ApplyTemplate(const char* path) override;
    float GetZoom() noexcept override;
    void SetZoom(float ratio) override;
    int GetFitMode() noexcept override;
    void SetFitMode(int mode) override;
    bool SetReportValue(DWORD tag, const wchar_t* value) override;
    bool GetReportValue(DWORD tag, std::wstring& value) override;
    void AddCallback(IReportCtrlCallback* callback) override;
    void RemoveCallback(IReportCtrlCallback* callback) override;
    HBITMAP CreateTemplatePreview(const char* templateFile, int* width, int* height, int maxWidth,
                                  int maxHeight) override;
    int GetImageBoxAt(int x, int y) override;

    // IKMReportWindowCallback
    void OnReportValueChanged(IKMReport* report, DWORD tag, const wchar_t* value) override;
    void OnDocumentCompleted(IKMReport* report) override;
    void OnDocumentVerified(IKMReport* report) override;
    void OnModifiedChanged(IKMReport* report) override;
    void OnLayoutChanged(IKMReport* report) override;

    // Appends a report window, tells the host and activates it; false for null.
    bool AddReportWindow(KMReportWindow* window);
    void SetActiveReportWindow(KMReportWindow* window);
    bool OnContentPanelSize(void* param);

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFolder() override;
    DuiLib::CDuiString GetSkinFile() override;
    void InitWindow() override;

private:
    enum class Scope { Open, Active };
    // Tells every callback; `report` must stay open (or active) for the delivery to go on.
    template <class Call>
    void Notify(IKMReport* report, Scope scope, Call call);
    bool IsOpen(IKMReport* report) const;
    // A new report window over the content panel, or null when there is no panel.
    KMReportWindow* NewReportWindow();
    IKMReport* FinishReport(KMReportWindow* window, bool modified);
    // The open report with that SOP Instance UID, or null.
    KMReportWindow* FindOpenDocument(const std::string& uid);
    // Takes a report out of the list's keeping: deleted now, or once the calls into it return.
    void DisposeReport(KMReportWindow* window);
    // Opens the SR document that `dataset` describes, read into the new report by `load`, as
    // `modified` (false also declares it kept); an open document with the same SOP Instance UID
    // is activated instead.
    IKMReport* OpenDocument(const KMDcmDataset& dataset, const std::function<void(KMDcmSR&)>& load, bool modified);

    // Why a call that needs the active report found none: "the report is closing" while the
    // host hears that the active report is closing, "no active report" otherwise.
    const char* NoActiveReportReason() const;

    std::vector<KMReportWindow*> m_vecReports;
    KMReportWindow* m_pActiveReport;
    // The active report whose closing the host is being told of, or null.
    KMReportWindow* m_pClosingReport = nullptr;
    float m_fZoomRatio;
    int m_nFitMode;
    std::vector<IReportCtrlCallback*> m_vecHostCallbacks;
    KMPrintWindow* m_pPrintWindow;
    // Parses DCMTK's dictionary while the window and its template are set up.
    std::unique_ptr<KMDcmDictionaryLoad> m_pDictionaryLoad;
    std::string m_strTemplateFile;
    std::string m_strDefaultTemplateFile;
};
