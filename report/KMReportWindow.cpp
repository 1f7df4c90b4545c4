#include "report/KMReportWindow.h"
#include "platform/kmdicom/KMDcmTags.h"

#include "control/IKMReportWindowCallback.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CDialogBuilder.h"
#include "platform/kmbase/KMUtil.h"
#include "platform/kmbase/KMBoundary.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/QRCode.h"
#include "platform/kmdicom/KMDcmImage.h"
#include "platform/win32/ImageCodec.h"
#include "platform/kmdicom/KMDcmUtil.h"
#include "platform/kmdicom/KMDcmVR.h"
#include "printing/CUtil.h"
#include "printing/KMPrintWindow.h"

#include <cwchar>
#include <string>

KMReportWindow::KMReportWindow()
    : m_bModified(false), m_pPrintWindow(nullptr), m_pPage(nullptr), m_nFitMode(1), m_pCallback(nullptr)
{
    KMDcmDataset* ds = m_dcmSR.GetDataset();
    ds->SetString(KMDcmTag::SOPClassUID, "1.2.840.10008.5.1.4.1.1.88.11");
    ds->SetInt32(KMDcmTag::InstanceNumber, 1, 0);
    ds->SetInt32(KMDcmTag::SeriesNumber, kSeriesNumber, 0);
    ds->SetString(KMDcmTag::Modality, "SR");
    KMString uid;
    KMDcmUtil::GenerateUID(uid);
    ds->SetString(KMDcmTag::SeriesInstanceUID, uid);
    KMDcmUtil::GenerateUID(uid);
    ds->SetString(KMDcmTag::SOPInstanceUID, uid);
    ds->SetString(KMDcmTag::ContentDate, KMDcmUtil::GetCurrentDcmDate());
    ds->SetString(KMDcmTag::ContentTime, KMDcmUtil::GetCurrentDcmTime());
    ds->SetString(KMDcmTag::CompletionFlag, "PARTIAL");
    ds->SetString(KMDcmTag::VerificationFlag, "UNVERIFIED");
}

KMReportWindow::~KMReportWindow()
{
    m_uiHandler.UnRegisterCallback(this);
    if (::IsWindow(GetHWND())) {
        ::DestroyWindow(GetHWND());
    }
    delete m_pPrintWindow;
}

namespace {

// How far a notch of the wheel, or an arrow key, scrolls a page larger than the window, in
// design pixels.
constexpr double kWheelStep = 60;

// Fit modes beyond the "keep the zoom" of any other value: the whole page, or its width.
constexpr int kFitPage = 1;
constexpr int kFitWidth = 2;

// Messages that change or move in the focused field's text, after which its caret must be seen.
bool IsTyping(UINT message)
{
    return message == WM_KEYDOWN || message == WM_CHAR || message == WM_IME_COMPOSITION ||
           message == WM_APP_COMMITTEXT || message == WM_APP_FINDTEXT || message == WM_MBUTTONDOWN ||
           message == WM_APP_EDITCOMMAND;
}

} // namespace

DuiLib::LPCTSTR KMReportWindow::GetWindowClassName() const { return L"KMReportWindow"; }
DuiLib::CDuiString KMReportWindow::GetSkinFolder() { return KMUtil::GetSkinPath().c_wstr(); }
DuiLib::CDuiString KMReportWindow::GetSkinFile() { return L"srctrl/sr_report_window.xml"; }

LRESULT KMReportWindow::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return 0;
    }
    const LRESULT result = WindowImplBase::HandleMessage(uMsg, wParam, lParam);
    if (call.IsRetired()) {
        return result;
    }
    // A wheel turn that no field took scrolls the page itself, sideways with Shift.
    if (uMsg == WM_MOUSEWHEEL && result == 0) {
        const int step = -GET_WHEEL_DELTA_WPARAM(wParam) * m_pm.Scale(kWheelStep) / WHEEL_DELTA;
        const bool sideways = (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0;
        return ScrollPage(sideways ? step : 0, sideways ? 0 : step) ? 1 : 0;
    }
    if (uMsg == WM_KEYDOWN && m_pm.GetFocus() == nullptr) {
        return ScrollPageByKey(wParam) ? 1 : 0;
    }
    // Typing goes where the person sees it: the focused field's caret comes into view.
    if (IsTyping(uMsg) && !(uMsg == WM_APP_EDITCOMMAND && lParam == 1)) {
        if (DuiLib::ITextEditUI* edit = m_pm.GetFocusedTextEdit()) {
            ScrollIntoView(edit->GetCaretRect());
        }
    }
    return result;
}

void KMReportWindow::OnCallsReturned() { m_vecRetiredPages.clear(); }

void KMReportWindow::Notify(DuiLib::TNotifyUI& msg)
{
    if (msg.sType == DuiLib::DUI_MSGTYPE_SETFOCUS && msg.pSender != nullptr) {
        ScrollIntoView(msg.pSender->GetPos());
    }
}

DuiLib::CContainerUI* KMReportWindow::PageArea()
{
    DuiLib::CControlUI* panel = m_pm.FindControl(L"pagePanel");
    return panel != nullptr ? dynamic_cast<DuiLib::CContainerUI*>(panel->GetParent()) : nullptr;
}

bool KMReportWindow::ScrollPage(int dx, int dy)
{
    DuiLib::CContainerUI* area = PageArea();
    if (area == nullptr) {
        return false;
    }
    m_pm.UpdateLayout();
    const bool moved = area->ScrollBy(dx, dy);
    m_pm.UpdateLayout();
    return moved;
}

bool KMReportWindow::ScrollPageByKey(WPARAM key)
{
    DuiLib::CContainerUI* area = PageArea();
    if (area == nullptr) {
        return false;
    }
    const int line = m_pm.Scale(kWheelStep);
    const int page = std::max(line, static_cast<int>(area->GetHeight()) - line);
    const int far = DuiLib::kMaxCoordinate;
    switch (key) {
    case VK_UP: return ScrollPage(0, -line);
    case VK_DOWN: return ScrollPage(0, line);
    case VK_LEFT: return ScrollPage(-line, 0);
    case VK_RIGHT: return ScrollPage(line, 0);
    case VK_PRIOR: return ScrollPage(0, -page);
    case VK_NEXT: return ScrollPage(0, page);
    case VK_HOME: return ScrollPage(-far, -far);
    case VK_END: return ScrollPage(0, far);
    default: return false;
    }
}

void KMReportWindow::ScrollIntoView(const RECT& rc)
{
    DuiLib::CContainerUI* area = PageArea();
    if (area == nullptr) {
        return;
    }
    // Each way: a rectangle below or right of the view comes to its far edge, unless it is
    // larger than the view, when its start comes to the near edge.
    const RECT view = area->GetPos();
    const auto shift = [](long start, long end, long viewStart, long viewEnd) -> int {
        if (end > viewEnd) {
            return static_cast<int>(std::min(end - viewEnd, start - viewStart));
        }
        return start < viewStart ? static_cast<int>(start - viewStart) : 0;
    };
    const int dx = shift(rc.left, rc.right, view.left, view.right);
    const int dy = shift(rc.top, rc.bottom, view.top, view.bottom);
    if (dx != 0 || dy != 0) {
        ScrollPage(dx, dy);
    }
}

void KMReportWindow::InitWindow()
{
    m_uiHandler.RegisterCallback(this);
    m_pPrintWindow = new KMPrintWindow;
    m_pPrintWindow->Create(nullptr, L"PrintWindow", WS_DISABLED, WS_EX_WINDOWEDGE, 0, 0, 0, 0);
    auto* panel = dynamic_cast<DuiLib::CContainerUI*>(m_pm.FindControl(L"pagePanel"));
    if (panel != nullptr) {
        if (DuiLib::CControlUI* area = panel->GetParent()) {
            area->OnSize += DuiLib::MakeDelegate(this, &KMReportWindow::OnPageResize);
        }
        DuiLib::CDialogBuilder builder;
        DuiLib::CControlUI* root = builder.Create(L"srctrl/default_template.xml", nullptr, nullptr, &m_pm);
        if (root != nullptr) {
            m_pPage = root;
            panel->AddAt(root, 0);
            root->SetFloat(true);
            m_uiHandler.InitUI(dynamic_cast<DuiLib::CContainerUI*>(root), true);
        }
    }
    FitPage();
    ShowVerified();
}

bool KMReportWindow::OnPageResize(void*)
{
    FitPage();
    return true;
}

void KMReportWindow::ShowVerified()
{
    const bool verified = m_dcmSR.IsVerified();
    if (DuiLib::CControlUI* badge = m_pm.FindControl(L"verifiedCtrl")) {
        badge->SetVisible(verified);
    }
    // A verified report is read-only on its page as in its document.
    if (verified) {
        m_uiHandler.EnableUI(false);
    }
}

void KMReportWindow::FitPage()
{
    auto* panel = dynamic_cast<DuiLib::CContainerUI*>(m_pm.FindControl(L"pagePanel"));
    if (panel == nullptr) {
        return;
    }
    if (panel->GetCount() == 0) {
        panel->SetVisible(false);
        return;
    }
    DuiLib::CControlUI* page = panel->GetItemAt(0);
    DuiLib::CControlUI* area = panel->GetParent();
    if ((m_nFitMode == kFitPage || m_nFitMode == kFitWidth) && area != nullptr) {
        m_pm.SetZoomRatio(1.0f);
        const int pageWidth = page->GetFixedWidth();
        const int pageHeight = page->GetFixedHeight();
        const RECT pad = panel->GetPadding();
        const int areaWidth = std::max(1, static_cast<int>(area->GetWidth() - 2 - pad.left - pad.right));
        const int areaHeight = std::max(1, static_cast<int>(area->GetHeight() - 2 - pad.top - pad.bottom));
        // A page without a size cannot be fitted; it keeps the zoom of 1.
        if (pageWidth > 0 && pageHeight > 0) {
            const float pageAspect = static_cast<float>(pageWidth) / static_cast<float>(pageHeight);
            const float areaAspect = static_cast<float>(areaWidth) / static_cast<float>(areaHeight);
            // Fitting the width leaves room for the bar that scrolls the page's height.
            const int bar = PageArea() != nullptr ? PageArea()->ScrollBarWidth() : 0;
            const float width = static_cast<float>(m_nFitMode == kFitWidth ? areaWidth - bar : areaWidth);
            const bool byWidth = m_nFitMode == kFitWidth || pageAspect > areaAspect;
            const float zoom = byWidth ? std::max(1.0f, width) / static_cast<float>(pageWidth)
                                       : static_cast<float>(areaHeight) / static_cast<float>(pageHeight);
            m_pm.SetZoomRatio(zoom);
        }
    }
    panel->SetFixedWidth(page->GetFixedWidth());
    panel->SetFixedHeight(page->GetFixedHeight());
    panel->SetVisible(true);
    // A page that now fits, or is shorter, shows no more than its end.
    ScrollPage(0, 0);
}

bool KMReportWindow::RebuildPage()
{
    auto* panel = dynamic_cast<DuiLib::CContainerUI*>(m_pm.FindControl(L"pagePanel"));
    if (panel == nullptr) {
        return false;
    }
    std::string text;
    m_template.ToXml(text);
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.CreateFromXml(text.data(), text.size(), nullptr, &m_pm);
    if (root == nullptr) {
        return false;
    }
    m_pPage = root;
    if (DuiLib::CControlUI* old = panel->DetachAt(0)) {
        m_vecRetiredPages.emplace_back(old);
    }
    panel->AddAt(root, 0);
    root->SetFloat(true);
    // The handler binds only what is visible: an empty panel was hidden.
    panel->SetVisible(true);
    m_uiHandler.InitUI(dynamic_cast<DuiLib::CContainerUI*>(root), true);
    return true;
}

void KMReportWindow::ReapplyDocument()
{
    FitPage();
    m_uiHandler.SetDcmSR(&m_dcmSR);
    m_uiHandler.SetQRCode(m_strQRCode.c_str());
    ShowVerified();
}

bool KMReportWindow::RebuildAfter(bool changed)
{
    if (!changed || !RebuildPage()) {
        return false;
    }
    ReapplyDocument();
    return true;
}

const char* KMReportWindow::GetReportName() noexcept { return m_strReportName.c_str(); }

bool KMReportWindow::StoreValue(DWORD tag, const wchar_t* value)
{
    // The control converts character sets itself (a character set set from outside would make
    // every stored text read as another one); a text that is not Unicode would be stored damaged.
    if (value == nullptr || !KMDcmVR::IsHostSettable(tag) || !KMString::IsUnicode(value)) {
        KMLastError::Set(value == nullptr ? "no value" : !KMString::IsUnicode(value) ? "value not stored: not Unicode text"
                                                                                    : "value not stored: the control keeps this element itself");
        return false;
    }
    // A value that is already stored is no change; a host that sets the SOP Instance UID itself
    // chooses the instance's identity.
    std::wstring old;
    const bool versioned = tag != KMDcmTag::SOPInstanceUID && m_dcmSR.IsInstanceKept() &&
                           !(m_dcmSR.GetValue(tag, old) && old == value);
    if (!m_dcmSR.SetValue(tag, value)) {
        std::string reason = "value not stored";
        KMDcmSR::GetValueRules(tag).Check(value, reason);
        KMLastError::SetIfNone(reason);
        return false;
    }
    if (versioned) {
        StartNewVersion();
    }
    if (m_pCallback != nullptr) {
        // Spaces at either end are padding to DICOM and may not be kept, and a text's line breaks
        // are kept as CR LF: the host is told what the document holds. Only then is the value
        // read back, so a long text costs no copy.
        const size_t length = std::wcslen(value);
        bool otherBreaks = false;
        for (size_t i = 0; i < length && !otherBreaks; ++i) {
            otherBreaks = (value[i] == L'\r' && value[i + 1] != L'\n') || (value[i] == L'\n' && (i == 0 || value[i - 1] != L'\r'));
        }
        std::wstring stored;
        if (length > 0 && (value[0] == L' ' || value[length - 1] == L' ' || otherBreaks) && m_dcmSR.GetValue(tag, stored)) {
            m_pCallback->OnReportValueChanged(this, tag, stored.c_str());
        } else {
            m_pCallback->OnReportValueChanged(this, tag, value);
        }
    }
    return true;
}

void KMReportWindow::StartNewVersion()
{
    std::wstring uid;
    if (m_dcmSR.StartNewVersion() && m_pCallback != nullptr && m_dcmSR.GetValue(KMDcmTag::SOPInstanceUID, uid)) {
        m_pCallback->OnReportValueChanged(this, KMDcmTag::SOPInstanceUID, uid.c_str());
    }
}

bool KMReportWindow::SetValue(DWORD tag, const wchar_t* value)
try {
    const KMCallScope call(*this);
    // A verified document is changed only by an amendment (a copy through the control).
    KMLastError::Clear();
    if (call.IsRetired() || m_dcmSR.IsVerified()) {
        KMLastError::Set(call.IsRetired() ? "the report is closed"
                                          : "the report is verified: amend a copy made by CreateReportFromReport");
        return false;
    }
    if (!StoreValue(tag, value)) {
        return false;
    }
    if (m_pPage != nullptr) {
        m_uiHandler.SetValue(tag, value);
    }
    SetModified(true);
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::GetValue(DWORD tag, std::wstring& value)
try {
    const KMCallScope call(*this);
    return CommitPendingInput(call) && ReadValue(tag, value);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::ReadValue(DWORD tag, std::wstring& value)
{
    return m_dcmSR.GetValue(tag, value);
}

void KMReportWindow::OnValueChanged(DWORD tag, const wchar_t* value)
{
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return;
    }
    // The text stays the caller's for the call (a field's text may be megabytes: it is not copied).
    const wchar_t* text = value != nullptr ? value : L"";
    std::wstring old;
    if (ReadValue(tag, old) && old.compare(text) == 0) {
        return;
    }
    if (m_dcmSR.IsVerified()) {
        // A verified report is read-only: what reached its page goes back to the document's value.
        m_uiHandler.SetValue(tag, old.c_str());
    } else if (StoreValue(tag, text)) {
        m_uiHandler.RefreshDisplays(tag, text);
        SetModified(true);
    } else if (m_pPage != nullptr) {
        // What the document refused must not stay on the page as if it were stored.
        m_uiHandler.SetValue(tag, old.c_str());
    }
}

bool KMReportWindow::LoadTemplate(const char* path)
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return false;
    }
    if (path == nullptr) {
        return false;
    }
    const bool loaded = m_template.Load(path);
    const bool rebuilt = loaded && RebuildPage();
    if (rebuilt) {
        ReapplyDocument();
    }
    if (m_pCallback != nullptr) {
        m_pCallback->OnLayoutChanged(this);
    }
    return rebuilt;
} catch (...) {
    return KMBoundary::Failed(false);
}

KMDcmSR* KMReportWindow::GetDcmSR()
try {
    // The host reads the document to store or send it: a date being typed belongs in it.
    const KMCallScope call(*this);
    return CommitPendingInput(call) ? &m_dcmSR : nullptr;
} catch (...) {
    return KMBoundary::Failed<KMDcmSR*>(nullptr);
}

bool KMReportWindow::GetSnapshot(KMReportSnapshot& snapshot)
try {
    const KMCallScope call(*this);
    snapshot.dwPendingTag = 0;
    snapshot.strPendingText.clear();
    if (call.IsRetired()) {
        KMLastError::Set("the report is closed");
        return false;
    }
    if (!m_dcmSR.SaveToBuffer(snapshot.strDocument)) {
        return false;
    }
    snapshot.bInstanceKept = m_dcmSR.IsInstanceKept();
    if (!m_uiHandler.GetPendingInput(snapshot.dwPendingTag, snapshot.strPendingText)) {
        snapshot.strPendingText.clear();
    }
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

void KMReportWindow::CommitPendingInput()
{
    const KMCallScope call(*this);
    CommitPendingInput(call);
}

bool KMReportWindow::CommitPendingInput(const KMCallScope& call)
{
    if (call.IsRetired()) {
        return false;
    }
    m_uiHandler.CommitPendingInput();
    return !call.IsRetired();
}

void KMReportWindow::RefreshLayout()
try {
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return;
    }
    FitPage();
} catch (...) {
    KMBoundary::Failed();
}

void KMReportWindow::SetHostData(const char* text)
try {
    if (text != nullptr) {
        m_strHostData = text;
    }
} catch (...) {
    KMBoundary::Failed();
}

KMString* KMReportWindow::GetHostData() noexcept { return &m_strHostData; }

bool KMReportWindow::EnableUI(bool enable)
try {
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return false;
    }
    return m_uiHandler.EnableUI(enable && !m_dcmSR.IsVerified());
} catch (...) {
    return KMBoundary::Failed(false);
}

void KMReportWindow::CompleteDocument()
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return;
    }
    if (m_dcmSR.IsCompleted()) {
        return;
    }
    const bool kept = m_dcmSR.IsInstanceKept();
    m_dcmSR.CompleteDocument();
    if (kept) {
        StartNewVersion();
    }
    SetModified(true);
    if (m_pCallback != nullptr) {
        m_pCallback->OnDocumentCompleted(this);
    }
} catch (...) {
    KMBoundary::Failed();
}

void KMReportWindow::VerifyDocument()
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return;
    }
    // A document without a verifying observer and organization cannot be verified; nothing
    // changed then, so nothing is reported.
    const bool kept = m_dcmSR.IsInstanceKept();
    if (m_dcmSR.IsVerified() || !m_dcmSR.VerifyDocument()) {
        return;
    }
    if (kept) {
        StartNewVersion();
    }
    // The verification wrote its date-time and moved the verifier: the page shows them.
    m_uiHandler.SetDcmSR(&m_dcmSR);
    ShowVerified();
    SetModified(true);
    if (m_pCallback != nullptr) {
        m_pCallback->OnDocumentVerified(this);
    }
} catch (...) {
    KMBoundary::Failed();
}

bool KMReportWindow::IsCompleted()
try {
    return m_dcmSR.IsCompleted();
} catch (...) {
    return KMBoundary::Failed(false);
}
bool KMReportWindow::IsVerified()
try {
    return m_dcmSR.IsVerified();
} catch (...) {
    return KMBoundary::Failed(false);
}
bool KMReportWindow::IsModified()
try {
    // A long text being typed is told to the document when typing pauses, a date when the focus
    // leaves it: either is a change already, for a host that asks before closing.
    if (m_bModified || m_uiHandler.HasPendingInput()) {
        return true;
    }
    DWORD tag = 0;
    std::wstring shown;
    std::wstring stored;
    return m_uiHandler.GetPendingDate(tag, shown) && (m_dcmSR.GetValue(tag, stored) ? stored != shown : !shown.empty());
} catch (...) {
    return KMBoundary::Failed(false);
}

void KMReportWindow::SetModified(bool modified)
try {
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return;
    }
    // The host stores the document through SaveFile, which the document notes itself, or by
    // other means, after which it clears the flag: either way the instance is kept from now on.
    if (!modified) {
        m_dcmSR.MarkInstanceKept();
    }
    if (m_bModified == modified) {
        return;
    }
    m_bModified = modified;
    if (m_pCallback != nullptr) {
        m_pCallback->OnModifiedChanged(this);
    }
} catch (...) {
    KMBoundary::Failed();
}

int KMReportWindow::GetImageBoxCount()
try {
    return m_uiHandler.GetImageBoxCount();
} catch (...) {
    return KMBoundary::Failed(0);
}

bool KMReportWindow::MayChangeImage(const KMCallScope& call, int index)
{
    KMLastError::Clear();
    if (call.IsRetired() || m_dcmSR.IsVerified()) {
        KMLastError::Set(call.IsRetired() ? "the report is closed"
                                          : "the report is verified: amend a copy made by CreateReportFromReport");
        return false;
    }
    if (index < 0 || index >= GetImageBoxCount()) {
        KMLastError::Set("no image box " + std::to_string(index) + ": the page has " +
                         std::to_string(GetImageBoxCount()));
        return false;
    }
    return true;
}

bool KMReportWindow::PutImage(int index, const std::vector<unsigned char>& jpeg, const KMDcmImageReference* source)
{
    const bool kept = m_dcmSR.IsInstanceKept();
    std::string reason;
    if (!KMDcmKeyImages::Set(m_dcmSR, index, jpeg, source, reason)) {
        KMLastError::Set(reason);
        return false;
    }
    if (kept) {
        StartNewVersion();
    }
    // The box shows the bytes as the document holds them (padded to an even length), so that a
    // printed copy or a preview made from the document shares this decode.
    KMDcmDataset item;
    const BYTE* stored = nullptr;
    unsigned long length = 0;
    const bool shown = m_dcmSR.GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, index) &&
                       item.GetUint8Array(KMDcmTag::EncapsulatedDocument, stored, length) && length > 0 &&
                       m_uiHandler.SetImageBox(index, stored, static_cast<long>(length));
    SetModified(true);
    if (!shown) {
        KMLastError::Set("picture stored but not shown in image box " + std::to_string(index));
    }
    return shown;
}

bool KMReportWindow::SetImage(int index, HBITMAP bitmap)
try {
    const KMCallScope call(*this);
    if (!MayChangeImage(call, index)) {
        return false;
    }
    std::vector<unsigned char> jpeg;
    return CUtil::GetJPEG(bitmap, jpeg) && PutImage(index, jpeg, nullptr);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::PutKeyImage(int index, const KMDcmImage& image, bool loaded, const std::string& loadReason, int frame,
                                 const KMDcmWindow* window)
{
    if (!loaded) {
        KMLastError::Set(loadReason);
        return false;
    }
    std::string reason;
    KMDcmImage::Rendered shown;
    if (!image.Render(frame, window, kKeyImageSide, shown, reason)) {
        KMLastError::Set(reason);
        return false;
    }
    std::vector<unsigned char> jpeg;
    if (!ImageCodec::EncodeJpegSamples(shown.vecSamples.data(), shown.nWidth, shown.nHeight, shown.nChannels,
                                       ImageCodec::kDocumentQuality, jpeg)) {
        return false;
    }
    KMDcmImageReference source;
    source.strSOPClassUID = image.GetSOPClassUID();
    source.strSOPInstanceUID = image.GetSOPInstanceUID();
    source.strStudyInstanceUID = image.GetStudyInstanceUID();
    source.strSeriesInstanceUID = image.GetSeriesInstanceUID();
    // A frame is named only in an image of several.
    source.nFrame = image.GetFrameCount() > 1 ? frame : 0;
    return PutImage(index, jpeg, &source);
}

bool KMReportWindow::SetKeyImageFile(int index, const char* dicomFile, int frame, const KMDcmWindow* window)
try {
    const KMCallScope call(*this);
    if (!MayChangeImage(call, index)) {
        return false;
    }
    KMDcmImage image;
    std::string reason = "no file name";
    const bool loaded = dicomFile != nullptr && image.Load(dicomFile, reason);
    return PutKeyImage(index, image, loaded, reason, frame, window);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::SetKeyImageDataset(int index, const KMDcmDataset* dataset, int frame, const KMDcmWindow* window)
try {
    const KMCallScope call(*this);
    if (!MayChangeImage(call, index)) {
        return false;
    }
    KMDcmImage image;
    std::string reason;
    const bool loaded = image.Copy(dataset, reason);
    return PutKeyImage(index, image, loaded, reason, frame, window);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::ClearImage(int index)
try {
    const KMCallScope call(*this);
    if (!MayChangeImage(call, index)) {
        return false;
    }
    const bool kept = m_dcmSR.IsInstanceKept();
    if (!KMDcmKeyImages::Clear(m_dcmSR, index)) {
        // Nothing to take away; the box shows what the document holds, which is nothing.
        m_uiHandler.ClearImageBox(index);
        return true;
    }
    if (kept) {
        StartNewVersion();
    }
    m_uiHandler.ClearImageBox(index);
    SetModified(true);
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

int KMReportWindow::GetImageBoxAt(POINT point)
{
    return m_uiHandler.GetImageBoxAt(point);
}

bool KMReportWindow::SetQRCode(const char* text)
try {
    const KMCallScope call(*this);
    if (call.IsRetired()) {
        return false;
    }
    m_strQRCode = text != nullptr ? text : "";
    if (m_uiHandler.SetQRCode(m_strQRCode.c_str())) {
        return true;
    }
    // The print must not show a code that the page refused.
    int width = 0;
    int height = 0;
    if (HBITMAP code = QRCode::CreateBitmapOfQRCode(m_strQRCode.c_str(), width, height)) {
        DeleteObject(code);
    } else {
        m_strQRCode.clear();
    }
    return false;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::SetAttributeList(const std::vector<std::pair<std::string, std::string>>& rows)
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return false;
    }
    return RebuildAfter(m_template.SetAttributeList(rows));
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::GetAttributeList(std::vector<std::pair<std::string, std::string>>& rows)
try {
    return m_template.GetAttributeList(rows);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::SetLogo(const char* imagePath)
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return false;
    }
    return RebuildAfter(m_template.SetLogo(imagePath));
} catch (...) {
    return KMBoundary::Failed(false);
}
bool KMReportWindow::GetLogo(std::string& imageName)
try {
    return m_template.GetLogoName(imageName);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::SaveTemplate(const char* path, const char* templateName)
try {
    KMLastError::Clear();
    return m_template.Save(path, templateName);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::IsLogoVisible()
try {
    return m_template.IsLogoVisible();
} catch (...) {
    return KMBoundary::Failed(false);
}
bool KMReportWindow::SetLogoVisible(bool visible)
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return false;
    }
    return RebuildAfter(m_template.SetLogoVisible(visible));
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::GetImageLayoutList(std::vector<std::string>& names)
try {
    return m_template.GetImageLayoutList(names);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::IsImageVisible()
try {
    return m_template.IsImageVisible();
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::SetImageVisible(bool visible)
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return false;
    }
    const bool rebuilt = RebuildAfter(m_template.SetImageVisible(visible));
    if (rebuilt && m_pCallback != nullptr) {
        m_pCallback->OnLayoutChanged(this);
    }
    return rebuilt;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::SetImageLayout(int index)
try {
    const KMCallScope call(*this);
    if (!CommitPendingInput(call)) {
        return false;
    }
    const bool rebuilt = RebuildAfter(m_template.SetImageLayout(index));
    if (rebuilt && m_pCallback != nullptr) {
        m_pCallback->OnLayoutChanged(this);
    }
    return rebuilt;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMReportWindow::GetImageLayout(int& index)
try {
    return m_template.GetImageLayout(index);
} catch (...) {
    return KMBoundary::Failed(false);
}
