#pragma once

#include "binding/KMReportUIHandler.h"
#include "platform/duilib/WindowImplBase.h"
#include "platform/kmbase/KMReentrant.h"
#include "platform/kmdicom/KMDcmKeyImages.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "report/IKMReport.h"
#include "report/KMReportTemplate.h"

#include <memory>
#include <string>
#include <vector>

class IKMReportWindowCallback;
class KMDcmImage;
class KMPrintWindow;

// One open report: a child window of the main window that owns its SR document, its template,
// the page built from the template and the handler that binds the page to the document. The
// main window owns it, writes m_pCallback (while the report is active) and m_nFitMode, and
// calls FitPage. The main window retires it (KMReentrant) rather than deleting it, since the host
// may close it from inside a notification that it is sending; once retired it does nothing.
class KMReportWindow : public DuiLib::WindowImplBase,
                       public IKMReport,
                       public IKMReportUIHandlerCallback,
                       public KMReentrant {
public:
    KMReportWindow();
    ~KMReportWindow() override;

    // The number of a new report's series, above those a modality gives its own.
    static constexpr int kSeriesNumber = 8001;

    // IKMReport
    const char* GetReportName() noexcept override;
    bool SetValue(DWORD tag, const wchar_t* value) override;
    bool GetValue(DWORD tag, std::wstring& value) override;
    bool LoadTemplate(const char* path) override;
    KMDcmSR* GetDcmSR() override;
    bool GetSnapshot(KMReportSnapshot& snapshot) override;
    void RefreshLayout() override;
    void SetHostData(const char* text) override;
    KMString* GetHostData() noexcept override;
    bool EnableUI(bool enable) override;
    void CompleteDocument() override;
    void VerifyDocument() override;
    bool IsCompleted() override;
    bool IsVerified() override;
    bool IsModified() override;
    void SetModified(bool modified) override;
    int GetImageBoxCount() override;
    bool SetImage(int index, HBITMAP bitmap) override;
    bool SetQRCode(const char* text) override;
    bool SetAttributeList(const std::vector<std::pair<std::string, std::string>>& rows) override;
    bool GetAttributeList(std::vector<std::pair<std::string, std::string>>& rows) override;
    bool SetLogo(const char* imagePath) override;
    bool GetLogo(std::string& imageName) override;
    bool SaveTemplate(const char* path, const char* templateName) override;
    bool IsLogoVisible() override;
    bool SetLogoVisible(bool visible) override;
    bool GetImageLayoutList(std::vector<std::string>& names) override;
    bool IsImageVisible() override;
    bool SetImageVisible(bool visible) override;
    bool SetImageLayout(int index) override;
    bool GetImageLayout(int& index) override;
    bool SetKeyImageFile(int index, const char* dicomFile, int frame, const KMDcmWindow* window) override;
    bool SetKeyImageDataset(int index, const KMDcmDataset* image, int frame, const KMDcmWindow* window) override;
    bool ClearImage(int index) override;

    // The image box under a point of this window; -1 for none.
    int GetImageBoxAt(POINT point);

    // IKMReportUIHandlerCallback: a person edited a bound control.
    void OnValueChanged(DWORD tag, const wchar_t* value) override;

    // Zooms the page (fit mode 1: wholly into the window) and sizes its panel.
    void FitPage();
    // Stores what a person typed but the page keeps pending (a date being typed), before an
    // operation reads, prints, switches away from or closes the report. May notify the host.
    void CommitPendingInput();

    bool m_bModified;
    std::string m_strReportName;
    std::string m_strQRCode;
    KMPrintWindow* m_pPrintWindow;
    DuiLib::CControlUI* m_pPage;
    int m_nFitMode;
    KMDcmSR m_dcmSR;
    KMReportTemplate m_template;
    KMString m_strHostData;
    IKMReportWindowCallback* m_pCallback;
    KMReportUIHandler m_uiHandler;

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFolder() override;
    DuiLib::CDuiString GetSkinFile() override;
    void InitWindow() override;
    // A person's input reaches the report through here: it counts as a call into the report.
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnCallsReturned() override;
    void Notify(DuiLib::TNotifyUI& msg) override;

private:
    // The view the page scrolls in (with its scroll bars), the page panel's parent; null
    // without one.
    DuiLib::CContainerUI* PageArea();
    // Scrolls a page larger than the window by (dx, dy) pixels (right and down when positive),
    // within the page; false when it did not move.
    bool ScrollPage(int dx, int dy);
    // The arrows, PageUp, PageDown, Home and End while no field has the focus.
    bool ScrollPageByKey(WPARAM key);
    // Scrolls so that the rectangle (window coordinates) is in view, as a field reached by Tab
    // and the caret of a field being typed into must be.
    void ScrollIntoView(const RECT& rc);
    bool OnPageResize(void* sender);
    bool RebuildPage();
    void ReapplyDocument();
    // Rebuilds after a template change that succeeded; the result of the whole operation.
    bool RebuildAfter(bool changed);
    bool StoreValue(DWORD tag, const wchar_t* value);
    // The first change to a document whose instance is kept (read from a file, opened from the
    // host, saved, or declared stored by SetModified(false)) makes it a new version with a new
    // SOP Instance UID that names the kept one as predecessor; the host hears of the new UID as
    // a value of (0008,0018).
    void StartNewVersion();
    // The document's value of `tag`, as GetValue gives it, without committing pending input.
    bool ReadValue(DWORD tag, std::wstring& value);
    // Commits pending input inside `call`; false when the report was closed meanwhile.
    bool CommitPendingInput(const KMCallScope& call);
    void ShowVerified();
    // Whether box `index` may change now; if not, the last error says why.
    bool MayChangeImage(const KMCallScope& call, int index);
    // Stores a picture (with the key image's source, or none) in box `index` and shows it.
    bool PutImage(int index, const std::vector<unsigned char>& jpeg, const KMDcmImageReference* source);
    // Renders a frame of a loaded (or refused) image into box `index` as a key image.
    bool PutKeyImage(int index, const KMDcmImage& image, bool loaded, const std::string& reason, int frame,
                     const KMDcmWindow* window);

    // Pages replaced while a call was under way: the control that raised the call may belong to
    // one of them, so they go only once the calls have returned.
    std::vector<std::unique_ptr<DuiLib::CControlUI>> m_vecRetiredPages;
};
