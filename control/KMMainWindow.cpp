#include "control/KMMainWindow.h"

#include "platform/kmdicom/KMDcmTags.h"

#include "platform/duilib/CTextLayout.h"
#include "platform/editing/KMSpelling.h"
#include "platform/kmbase/KMBoundary.h"
#include "platform/kmbase/KMHostCall.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMUtil.h"
#include "platform/kmdicom/KMDcmDictionaryLoad.h"
#include "platform/kmdicom/KMDcmUtil.h"
#include "printing/KMPrintWindow.h"
#include "report/KMReportWindow.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {


// What a new report takes over from its image: the patient, and the study with what identifies
// it to the archive and to the order (KMDcmSR::TakeRequest brings the order's sequences).
const DWORD kNarrowCopies[] = {KMDcmTag::StudyInstanceUID, KMDcmTag::StudyDate, KMDcmTag::StudyTime, KMDcmTag::PatientAge, KMDcmTag::PatientSex, KMDcmTag::PatientBirthDate};
const DWORD kWideCopies[] = {KMDcmTag::PatientName,      KMDcmTag::PatientID,       KMDcmTag::BodyPartExamined,
                             KMDcmTag::InstitutionalDepartmentName, KMDcmTag::ReferringPhysicianName,
                             KMDcmTag::AccessionNumber,  KMDcmTag::StudyID,         KMDcmTag::StudyDescription,
                             KMDcmTag::IssuerOfPatientID};

// Modality and SOP Instance UID of a document that claims to be an SR document.
// An empty UID identifies nothing: two documents without one are not the same document.
bool ReadSRIdentity(const KMDcmDataset& dataset, std::string& uid)
{
    std::string modality;
    return dataset.GetString(KMDcmTag::Modality, modality, 0) && dataset.GetUID(KMDcmTag::SOPInstanceUID, uid) &&
           modality == "SR";
}

// Why ReadSRIdentity refused a document, for the host.
std::string NotSRReason(const KMDcmDataset& dataset)
{
    std::string modality;
    if (!dataset.GetString(KMDcmTag::Modality, modality, 0) || modality.empty()) {
        return "not an SR document: no Modality";
    }
    if (modality != "SR") {
        return "not an SR document: Modality is " + modality;
    }
    return "not an SR document: no SOP Instance UID";
}

const char kReleased[] = "the control is being released";
const char kNoActiveReport[] = "no active report";
const char kClosedByCallback[] = "report closed by a callback while it was being opened";

} // namespace

KMMainWindow::KMMainWindow()
    : m_pActiveReport(nullptr),
      m_fZoomRatio(1.0f),
      m_nFitMode(1),
      m_pPrintWindow(nullptr),
      m_strTemplateFile(KMUtil::GetSkinPath().str() + "srctrl/default_template.xml"),
      m_strDefaultTemplateFile(m_strTemplateFile)
{
    KMSpelling::Get().StartSession();
}

KMMainWindow::~KMMainWindow()
{
    std::vector<KMReportWindow*> reports;
    reports.swap(m_vecReports);
    m_pActiveReport = nullptr;
    for (KMReportWindow* report : reports) {
        DisposeReport(report);
    }
    delete m_pPrintWindow;
    KMSpelling::Get().EndSession();
}

void KMMainWindow::Release() { Retire(); }

void KMMainWindow::DisposeReport(KMReportWindow* window)
{
    window->m_pCallback = nullptr;
    if (window->IsInCall()) {
        window->ShowWindow(false, false);
    }
    window->Retire();
}

DuiLib::LPCTSTR KMMainWindow::GetWindowClassName() const { return L"KMReportWindowClass"; }
DuiLib::CDuiString KMMainWindow::GetSkinFolder() { return KMUtil::GetSkinPath().c_wstr(); }
DuiLib::CDuiString KMMainWindow::GetSkinFile() { return L"srctrl/sr_frame_wnd.xml"; }

HWND KMMainWindow::Create(HWND parent, int x, int y, int cx, int cy)
try {
    KMLastError::Clear();
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        KMLastError::Set(kReleased);
        return nullptr;
    }
    // Without skins the window would come up empty and every report would fail to open later.
    KMString skins;
    std::string reason;
    if (!KMUtil::FindSkinPath(skins, reason)) {
        KMLastError::Set(reason);
        return nullptr;
    }
    // The first document and the first text each wait for a slow set-up; both run meanwhile.
    if (m_pDictionaryLoad == nullptr) {
        m_pDictionaryLoad = std::make_unique<KMDcmDictionaryLoad>();
    }
    DuiLib::CTextLayout::BeginFontSetup();
    HWND hwnd = CWindowWnd::Create(parent, L"KMMainWindow", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                   WS_EX_ACCEPTFILES, x, y, cx, cy);
    if (hwnd == nullptr) {
        KMLastError::Set("window not created: the parent is not a window, or the control has one already");
        return nullptr;
    }
    // While the dictionary is still being parsed, the page's font is found and opened.
    DuiLib::CTextLayout::OpenFont(m_pm.GetFont(-1));
    return hwnd;
} catch (...) {
    return KMBoundary::Failed<HWND>(nullptr);
}

void KMMainWindow::InitWindow()
{
    if (DuiLib::CControlUI* panel = m_pm.FindControl(L"contentPanel")) {
        panel->OnSize += DuiLib::MakeDelegate(this, &KMMainWindow::OnContentPanelSize);
    }
    m_pPrintWindow = new KMPrintWindow;
    m_pPrintWindow->Create(nullptr, L"PrintWindow", WS_DISABLED, WS_EX_WINDOWEDGE, 0, 0, 0, 0);
}

bool KMMainWindow::OnContentPanelSize(void*)
{
    DuiLib::CControlUI* panel = m_pm.FindControl(L"contentPanel");
    if (panel != nullptr && m_pActiveReport != nullptr) {
        m_pActiveReport->CWindowWnd::MoveWindow(panel->GetPos());
    }
    return true;
}

bool KMMainWindow::MoveWindow(int x, int y, int cx, int cy)
try {
    const KMCallScope call(*this);
    if (call.IsRetired() || CWindowWnd::GetHWND() == nullptr) {
        return false;
    }
    ::MoveWindow(CWindowWnd::GetHWND(), x, y, cx, cy, TRUE);
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

HWND KMMainWindow::GetHWND() noexcept { return CWindowWnd::GetHWND(); }

bool KMMainWindow::IsOpen(IKMReport* report) const
{
    return report != nullptr && std::any_of(m_vecReports.begin(), m_vecReports.end(),
                                            [&](KMReportWindow* w) { return static_cast<IKMReport*>(w) == report; });
}

template <class Call>
void KMMainWindow::Notify(IKMReport* report, Scope scope, Call call)
{
    const std::vector<IReportCtrlCallback*> snapshot = m_vecHostCallbacks;
    for (IReportCtrlCallback* callback : snapshot) {
        if (std::find(m_vecHostCallbacks.begin(), m_vecHostCallbacks.end(), callback) == m_vecHostCallbacks.end()) {
            continue;
        }
        KMHostCall::Tell([&] { call(callback); });
        if (IsRetired()) {
            return;
        }
        // What the callback did may have closed the report, or made another one active: the
        // remaining callbacks are not told about a report that is gone or no longer active.
        const bool stillAbout = scope == Scope::Active ? GetActiveReport() == report : report == nullptr || IsOpen(report);
        if (!stillAbout) {
            return;
        }
    }
}

bool KMMainWindow::AddReportWindow(KMReportWindow* window)
{
    if (window == nullptr) {
        return false;
    }
    m_vecReports.push_back(window);
    IKMReport* report = window;
    Notify(report, Scope::Open, [&](IReportCtrlCallback* c) { c->OnReportAdded(report); });
    if (IsOpen(report)) {
        SetActiveReportWindow(window);
    }
    return true;
}

void KMMainWindow::SetActiveReportWindow(KMReportWindow* window)
{
    if (window == m_pActiveReport) {
        return;
    }
    // What was being typed into the report that is left belongs in its document first; the host
    // hears of it and may change the reports meanwhile.
    if (m_pActiveReport != nullptr) {
        m_pActiveReport->CommitPendingInput();
        if (IsRetired() || window == m_pActiveReport || (window != nullptr && !IsOpen(window))) {
            return;
        }
    }
    if (m_pActiveReport != nullptr) {
        m_pActiveReport->m_pCallback = nullptr;
    }
    m_pActiveReport = window;
    if (window != nullptr) {
        window->m_pCallback = this;
        window->m_nFitMode = 0;
        window->m_pm.SetZoomRatio(m_fZoomRatio);
        window->FitPage();
        if (DuiLib::CControlUI* root = window->m_pm.GetRoot()) {
            root->SetFocus();
        }
        window->m_nFitMode = m_nFitMode;
        window->FitPage();
        for (KMReportWindow* other : m_vecReports) {
            if (other != window) {
                other->ShowWindow(false, true);
            }
        }
        window->ShowWindow(true, true);
        if (DuiLib::CControlUI* panel = m_pm.FindControl(L"contentPanel")) {
            window->CWindowWnd::MoveWindow(panel->GetPos());
        }
    }
    IKMReport* report = window;
    Notify(report, Scope::Active, [&](IReportCtrlCallback* c) { c->OnActiveReportChanged(report); });
}

int KMMainWindow::GetReportCount() noexcept { return static_cast<int>(m_vecReports.size()); }

IKMReport* KMMainWindow::GetActiveReport() noexcept { return m_pActiveReport; }

IKMReport* KMMainWindow::GetReport(int index)
try {
    return index >= 0 && index < GetReportCount() ? m_vecReports[static_cast<size_t>(index)] : nullptr;
} catch (...) {
    return KMBoundary::Failed<IKMReport*>(nullptr);
}

int KMMainWindow::GetReportIndex(IKMReport* report)
try {
    for (size_t i = 0; i < m_vecReports.size(); ++i) {
        if (static_cast<IKMReport*>(m_vecReports[i]) == report) {
            return static_cast<int>(i);
        }
    }
    return -1;
} catch (...) {
    return KMBoundary::Failed<int>(-1);
}

void KMMainWindow::CloseReport(IKMReport* report)
try {
    CloseReportAt(GetReportIndex(report));
} catch (...) {
    KMBoundary::Failed();
}

void KMMainWindow::CloseReportAt(int index)
try {
    const KMCallScope call(*this);
    if (call.IsRetired() || index < 0 || index >= GetReportCount()) {
        return;
    }
    KMReportWindow* window = m_vecReports[static_cast<size_t>(index)];
    window->CommitPendingInput();
    index = GetReportIndex(window);
    if (call.IsRetired() || index < 0) {
        return;
    }
    m_vecReports.erase(m_vecReports.begin() + index);
    // From its closing on the report is no longer active: calls that would reach it fail, and
    // nothing it does is told to the host any more.
    const bool wasActive = m_pActiveReport == window;
    KMReportWindow* const outerClosing = m_pClosingReport;
    if (wasActive) {
        m_pActiveReport = nullptr;
        window->m_pCallback = nullptr;
        m_pClosingReport = window;
    }
    IKMReport* report = window;
    const std::vector<IReportCtrlCallback*> snapshot = m_vecHostCallbacks;
    for (IReportCtrlCallback* callback : snapshot) {
        if (std::find(m_vecHostCallbacks.begin(), m_vecHostCallbacks.end(), callback) != m_vecHostCallbacks.end()) {
            KMHostCall::Tell([&] { callback->OnReportClosing(report); });
        }
    }
    m_pClosingReport = outerClosing;
    DisposeReport(window);
    // A host that activated another report while it heard of the closing keeps its choice.
    if (wasActive && !call.IsRetired() && m_pActiveReport == nullptr) {
        ActivateReportAt(std::min(index, GetReportCount() - 1));
    }
} catch (...) {
    KMBoundary::Failed();
}

void KMMainWindow::Reserved() noexcept {}

const char* KMMainWindow::NoActiveReportReason() const
{
    return m_pClosingReport != nullptr ? "the report is closing" : kNoActiveReport;
}

void KMMainWindow::ActivateReport(IKMReport* report)
try {
    ActivateReportAt(GetReportIndex(report));
} catch (...) {
    KMBoundary::Failed();
}

void KMMainWindow::ActivateReportAt(int index)
try {
    const KMCallScope call(*this);
    if (!call.IsRetired() && index >= 0 && index < GetReportCount() && m_vecReports[static_cast<size_t>(index)] != nullptr) {
        SetActiveReportWindow(m_vecReports[static_cast<size_t>(index)]);
    }
} catch (...) {
    KMBoundary::Failed();
}

bool KMMainWindow::SetTemplateFile(const char* path)
try {
    KMLastError::Clear();
    if (path == nullptr) {
        m_strTemplateFile = m_strDefaultTemplateFile;
        KMLastError::Set("no template file given: the default template is used");
        return false;
    }
    if (!KMUtil::FileExist(path)) {
        KMLastError::Set(std::string("template file not found: ") + path);
        return false;
    }
    m_strTemplateFile = path;
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMMainWindow::ApplyTemplate(const char* path)
try {
    KMLastError::Clear();
    const KMCallScope call(*this);
    if (call.IsRetired() || m_pActiveReport == nullptr) {
        KMLastError::Set(call.IsRetired() ? kReleased : NoActiveReportReason());
        return false;
    }
    const char* file = path != nullptr ? path : m_strDefaultTemplateFile.c_str();
    const bool loaded = m_pActiveReport->LoadTemplate(file);
    if (!loaded) {
        KMLastError::SetIfNone(std::string("template not applied: ") + file);
    }
    return loaded;
} catch (...) {
    return KMBoundary::Failed(false);
}

float KMMainWindow::GetZoom() noexcept
{
    return m_pActiveReport != nullptr ? m_pActiveReport->m_pm.GetZoomRatio() : m_fZoomRatio;
}

void KMMainWindow::SetZoom(float ratio)
try {
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return;
    }
    m_fZoomRatio = ratio;
    if (m_pActiveReport == nullptr) {
        return;
    }
    m_pActiveReport->m_nFitMode = 0;
    m_pActiveReport->m_pm.SetZoomRatio(ratio);
    m_pActiveReport->FitPage();
    if (DuiLib::CControlUI* root = m_pActiveReport->m_pm.GetRoot()) {
        root->SetFocus();
    }
} catch (...) {
    KMBoundary::Failed();
}

int KMMainWindow::GetFitMode() noexcept
{
    return m_pActiveReport != nullptr ? m_pActiveReport->m_nFitMode : m_nFitMode;
}

void KMMainWindow::SetFitMode(int mode)
try {
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return;
    }
    m_nFitMode = mode;
    if (m_pActiveReport != nullptr) {
        m_pActiveReport->m_nFitMode = mode;
        m_pActiveReport->FitPage();
    }
} catch (...) {
    KMBoundary::Failed();
}

bool KMMainWindow::SetReportValue(DWORD tag, const wchar_t* value)
try {
    KMLastError::Clear();
    const KMCallScope call(*this);
    if (call.IsRetired() || m_pActiveReport == nullptr) {
        KMLastError::Set(call.IsRetired() ? kReleased : NoActiveReportReason());
        return false;
    }
    return m_pActiveReport->SetValue(tag, value);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMMainWindow::GetReportValue(DWORD tag, std::wstring& value)
try {
    return m_pActiveReport != nullptr && m_pActiveReport->GetValue(tag, value);
} catch (...) {
    return KMBoundary::Failed(false);
}

void KMMainWindow::AddCallback(IReportCtrlCallback* callback)
try {
    if (callback != nullptr &&
        std::find(m_vecHostCallbacks.begin(), m_vecHostCallbacks.end(), callback) == m_vecHostCallbacks.end()) {
        m_vecHostCallbacks.push_back(callback);
    }
} catch (...) {
    KMBoundary::Failed();
}

void KMMainWindow::RemoveCallback(IReportCtrlCallback* callback)
try {
    if (callback == nullptr) {
        return;
    }
    m_vecHostCallbacks.erase(std::remove(m_vecHostCallbacks.begin(), m_vecHostCallbacks.end(), callback),
                             m_vecHostCallbacks.end());
} catch (...) {
    KMBoundary::Failed();
}

HBITMAP KMMainWindow::CreateTemplatePreview(const char* templateFile, int* width, int* height, int maxWidth,
                                            int maxHeight)
try {
    KMLastError::Clear();
    const KMCallScope call(*this);
    if (call.IsRetired() || m_pPrintWindow == nullptr) {
        KMLastError::Set(call.IsRetired() ? kReleased : "no window: call Create first");
        return nullptr;
    }
    HBITMAP preview = m_pPrintWindow->RenderTemplateBitmap(templateFile, width, height, maxWidth, maxHeight);
    if (preview == nullptr) {
        KMLastError::SetIfNone(std::string("no preview of template: ") + (templateFile != nullptr ? templateFile : "(null)"));
    }
    return preview;
} catch (...) {
    return KMBoundary::Failed<HBITMAP>(nullptr);
}

int KMMainWindow::GetImageBoxAt(int x, int y)
try {
    const KMCallScope call(*this);
    if (call.IsRetired() || m_pActiveReport == nullptr || !::IsWindow(GetHWND())) {
        return -1;
    }
    // The point in the coordinates of the window under it, which must be the active report's.
    POINT point{x, y};
    if (platform::ChildWindowFromPointDeep(GetHWND(), point) != m_pActiveReport->GetHWND()) {
        return -1;
    }
    return m_pActiveReport->GetImageBoxAt(point);
} catch (...) {
    return KMBoundary::Failed<int>(-1);
}

void KMMainWindow::OnReportValueChanged(IKMReport* report, DWORD tag, const wchar_t* value)
{
    const KMCallScope call(*this);
    Notify(report, Scope::Open, [&](IReportCtrlCallback* c) { c->OnReportValueChanged(report, tag, value); });
}

void KMMainWindow::OnDocumentCompleted(IKMReport* report)
{
    const KMCallScope call(*this);
    Notify(report, Scope::Open, [&](IReportCtrlCallback* c) { c->OnDocumentCompleted(report); });
}

void KMMainWindow::OnDocumentVerified(IKMReport* report)
{
    const KMCallScope call(*this);
    Notify(report, Scope::Open, [&](IReportCtrlCallback* c) { c->OnDocumentVerified(report); });
}

void KMMainWindow::OnModifiedChanged(IKMReport* report)
{
    const KMCallScope call(*this);
    Notify(report, Scope::Open, [&](IReportCtrlCallback* c) { c->OnModifiedChanged(report); });
}

void KMMainWindow::OnLayoutChanged(IKMReport* report)
{
    const KMCallScope call(*this);
    Notify(report, Scope::Open, [&](IReportCtrlCallback* c) { c->OnLayoutChanged(report); });
}

KMReportWindow* KMMainWindow::NewReportWindow()
{
    // Once the host destroyed the control's window, a report would have nowhere to live.
    DuiLib::CControlUI* panel = m_pm.FindControl(L"contentPanel");
    if (panel == nullptr || !::IsWindow(CWindowWnd::GetHWND())) {
        KMLastError::Set("no window: call Create first");
        return nullptr;
    }
    const RECT rc = panel->GetPos();
    auto* window = new KMReportWindow;
    window->CWindowWnd::Create(CWindowWnd::GetHWND(), L"KMSRDOcWindow",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_ACCEPTFILES, rc);
    return window;
}

IKMReport* KMMainWindow::FinishReport(KMReportWindow* window, bool modified)
{
    window->LoadTemplate(m_strTemplateFile.c_str());
    AddReportWindow(window);
    if (!IsOpen(window)) {
        KMLastError::Set(kClosedByCallback);
        return nullptr;
    }
    window->SetModified(modified);
    if (!IsOpen(window)) {
        KMLastError::Set(kClosedByCallback);
        return nullptr;
    }
    // The report is open: what went wrong on the way (a template file gone) is no failure of it.
    KMLastError::Clear();
    return window;
}

KMReportWindow* KMMainWindow::FindOpenDocument(const std::string& uid)
{
    for (KMReportWindow* report : m_vecReports) {
        std::string open;
        if (report->m_dcmSR.GetDataset()->GetString(KMDcmTag::SOPInstanceUID, open, 0) && open == uid) {
            return report;
        }
    }
    return nullptr;
}

IKMReport* KMMainWindow::OpenDocument(const KMDcmDataset& dataset, const std::function<void(KMDcmSR&)>& load, bool modified)
{
    const KMCallScope call(*this);
    std::string uid;
    if (call.IsRetired() || !ReadSRIdentity(dataset, uid)) {
        KMLastError::Set(call.IsRetired() ? std::string(kReleased) : NotSRReason(dataset));
        return nullptr;
    }
    if (KMReportWindow* open = FindOpenDocument(uid)) {
        // The host may close the report on being told of its activation.
        SetActiveReportWindow(open);
        if (!IsOpen(open)) {
            KMLastError::Set("report closed by a callback while it was being activated");
            return nullptr;
        }
        return open;
    }
    KMReportWindow* window = NewReportWindow();
    if (window == nullptr) {
        return nullptr;
    }
    load(window->m_dcmSR);
    if (DuiLib::CControlUI* verified = window->m_pm.FindControl(L"verifiedCtrl")) {
        verified->SetVisible(window->m_dcmSR.IsVerified());
    }
    window->m_uiHandler.SetDcmSR(&window->m_dcmSR);
    return FinishReport(window, modified);
}

IKMReport* KMMainWindow::OpenReportFile(const char* path)
try {
    KMLastError::Clear();
    KMDcmFile file;
    if (path == nullptr || !file.LoadFile(path, true)) {
        KMLastError::SetIfNone("no file name");
        return nullptr;
    }
    // The file read once for its check is the report's document: a large one is not read twice.
    return OpenDocument(*file.GetDataset(), [&](KMDcmSR& sr) { sr.Take(file); }, false);
} catch (...) {
    return KMBoundary::Failed<IKMReport*>(nullptr);
}

IKMReport* KMMainWindow::OpenReportSnapshot(const KMReportSnapshot& snapshot)
try {
    KMLastError::Clear();
    KMDcmFile file;
    if (!file.LoadFromBuffer(snapshot.strDocument.data(), snapshot.strDocument.size())) {
        return nullptr;
    }
    // Bytes read count as a kept instance; a copy of them is a document of the control's own.
    // What a snapshot holds is stored nowhere: the report opens modified, which keeps nothing.
    IKMReport* report = OpenDocument(
        *file.GetDataset(),
        [&](KMDcmSR& sr) {
            if (snapshot.bInstanceKept) {
                sr.Take(file);
            } else {
                sr.Copy(file.GetDataset());
            }
        },
        true);
    if (report != nullptr && snapshot.dwPendingTag != 0) {
        report->SetValue(snapshot.dwPendingTag, snapshot.strPendingText.c_str());
    }
    return report;
} catch (...) {
    return KMBoundary::Failed<IKMReport*>(nullptr);
}

IKMReport* KMMainWindow::OpenReport(KMDcmFile* document)
try {
    KMLastError::Clear();
    if (document == nullptr) {
        KMLastError::Set("no document");
        return nullptr;
    }
    return OpenDocument(*document->GetDataset(), [&](KMDcmSR& sr) { sr.Copy(document->GetDataset()); }, false);
} catch (...) {
    return KMBoundary::Failed<IKMReport*>(nullptr);
}

IKMReport* KMMainWindow::CreateReportFromReport(IKMReport* source)
try {
    KMLastError::Clear();
    const KMCallScope call(*this);
    if (call.IsRetired() || !IsOpen(source)) {
        KMLastError::Set(call.IsRetired() ? kReleased : "the source report is not open in this control");
        return nullptr;
    }
    KMDcmSR* document = source->GetDcmSR();
    KMReportWindow* window = NewReportWindow();
    if (window == nullptr || document == nullptr) {
        KMLastError::SetIfNone("the source report has no document");
        delete window;
        return nullptr;
    }
    KMDcmSR& copy = window->m_dcmSR;
    copy.Copy(document->GetDataset());
    copy.BeginAmendment();
    KMDcmDataset* ds = copy.GetDataset();
    // A copy is an amendment: the next version of its source, in the source's series, naming
    // the source after the source's own predecessors. A source without an identity of its own
    // gives a document that starts a series.
    if (!copy.StartNewVersion()) {
        KMString uid;
        KMDcmUtil::GenerateUID(uid);
        ds->SetString(KMDcmTag::SeriesInstanceUID, uid);
        ds->SetInt32(KMDcmTag::SeriesNumber, KMReportWindow::kSeriesNumber, 0);
        ds->SetInt32(KMDcmTag::InstanceNumber, 1, 0);
        KMDcmUtil::GenerateUID(uid);
        ds->SetString(KMDcmTag::SOPInstanceUID, uid);
    }
    ds->SetString(KMDcmTag::CompletionFlag, "PARTIAL");
    ds->SetString(KMDcmTag::VerificationFlag, "UNVERIFIED");
    // Nobody has verified the amendment yet: the source's verifier stays with the source.
    copy.SetVerifyingObserverName(L"");
    copy.SetVerifyingOrganization(L"");
    copy.SetVerificationDateTime(L"");
    return FinishReport(window, true);
} catch (...) {
    return KMBoundary::Failed<IKMReport*>(nullptr);
}

IKMReport* KMMainWindow::CreateReportFromImage(const char* dicomFile)
try {
    KMLastError::Clear();
    const KMCallScope call(*this);
    KMDcmFile file;
    std::string study;
    // A report needs the image's attributes, not its pixels.
    if (call.IsRetired() || dicomFile == nullptr || !file.LoadFile(dicomFile, false) ||
        !file.GetDataset()->GetUID(KMDcmTag::StudyInstanceUID, study)) {
        KMLastError::SetIfNone(call.IsRetired() ? std::string(kReleased)
                               : dicomFile == nullptr ? std::string("no file name")
                                                      : std::string("no Study Instance UID in ") + dicomFile);
        return nullptr;
    }
    KMReportWindow* window = NewReportWindow();
    if (window == nullptr) {
        return nullptr;
    }
    KMDcmDataset* target = window->m_dcmSR.GetDataset();
    target->SetString(KMDcmTag::SpecificCharacterSet, "ISO_IR 192");
    for (DWORD tag : kNarrowCopies) {
        const char* value = nullptr;
        if (file.GetDataset()->GetString(tag, value)) {
            target->SetString(tag, value);
        }
    }
    for (DWORD tag : kWideCopies) {
        std::wstring value;
        if (file.GetDataset()->GetString(tag, value, KMDcmDataset::kAllValues)) {
            target->SetString(tag, value);
        }
    }
    window->m_dcmSR.TakeRequest(*file.GetDataset());
    // The report's series is not the image's, even where the image is in one of ours.
    std::string imageSeries;
    if (file.GetDataset()->GetString(KMDcmTag::SeriesNumber, imageSeries, 0) && std::atoi(imageSeries.c_str()) == KMReportWindow::kSeriesNumber) {
        target->SetInt32(KMDcmTag::SeriesNumber, KMReportWindow::kSeriesNumber + 1, 0);
    }
    // The report's own Modality is SR; the image's is what the report is about.
    std::wstring modality;
    if (file.GetDataset()->GetString(KMDcmTag::Modality, modality, 0) && !modality.empty()) {
        window->m_dcmSR.SetAcquisitionModality(modality.c_str());
    }
    return FinishReport(window, true);
} catch (...) {
    return KMBoundary::Failed<IKMReport*>(nullptr);
}

bool KMMainWindow::Print(const char* printerName)
try {
    KMLastError::Clear();
    const KMCallScope call(*this);
    if (call.IsRetired() || printerName == nullptr || m_pActiveReport == nullptr) {
        KMLastError::Set(call.IsRetired() ? kReleased : printerName == nullptr ? "no printer name" : NoActiveReportReason());
        return false;
    }
    KMReportWindow* report = m_pActiveReport;
    report->CommitPendingInput();
    // The host may have closed or switched the report on hearing of the committed value.
    if (call.IsRetired() || !IsOpen(report) || m_pActiveReport != report) {
        return false;
    }
    HDC dc = CreateDCA(nullptr, printerName, nullptr, nullptr);
    if (dc == nullptr) {
        KMLastError::SetIfNone(std::string("printer not found: ") + printerName);
        return false;
    }
    // Every page reaches the printer, or the print failed; a page that cannot be built sends
    // nothing.
    const bool printed = report->m_pPrintWindow != nullptr &&
                         report->m_pPrintWindow->PrintReport(dc, &report->m_dcmSR, report->m_strQRCode,
                                                             report->m_template);
    DeleteDC(dc);
    if (!printed) {
        KMLastError::SetIfNone(std::string("printing failed on ") + printerName);
    }
    return printed;
} catch (...) {
    return KMBoundary::Failed(false);
}
