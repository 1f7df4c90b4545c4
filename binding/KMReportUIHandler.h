#pragma once

#include "binding/KMContentRegion.h"
#include "platform/Export.h"
#include "platform/win32/WinDef.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace DuiLib {
class CComboUI;
class CContainerUI;
class CControlUI;
class CDateTimeUI;
class CEditUI;
class CPictureUI;
} // namespace DuiLib

class KMDcmSR;

// Hears the edits that a person makes in the bound controls of a page.
class SRCTRL_API IKMReportUIHandlerCallback {
public:
    IKMReportUIHandlerCallback() = default;
    IKMReportUIHandlerCallback& operator=(const IKMReportUIHandlerCallback&) = default;

    // The control bound to `tag` was changed (or, for a date control, left); `value` is its value
    // in DICOM form, never null, valid only during the call.
    virtual void OnValueChanged(DWORD tag, const wchar_t* value) = 0;

protected:
    ~IKMReportUIHandlerCallback() = default;
};

// Binds the controls of a page to DICOM attributes. A control is bound when its user data holds
// a tag: hexadecimal group, one separator character, hexadecimal element ("0010,0040").
//
// Bound controls of the attribute list (a "TileLayout") are display fields: they show the
// document's values as people read them (formatted names, dates and times), take no input, are
// never enabled, found by tag or reported, and follow every value written through SetValue. On a
// page whose paint manager prints (CPaintManagerUI::IsPrinting), every field shows its value so.
//
// The handler owns nothing: not the controls (the page belongs to its window) and not the
// listeners. It finds, writes and reads bound controls, fills a whole page from an SR document
// without reporting its own writes, reports a person's edits to its listeners, enables and
// disables editing, and feeds the picture boxes and the QR code box ("RT_QRCODE").
//
// The notification delegates that InitUI attaches stop calling this handler once it is destroyed
// or bound to another tree by a later InitUI, so a control that outlives its handler, or a page
// that is replaced, never calls into a stale handler.
class SRCTRL_API KMReportUIHandler {
public:
    KMReportUIHandler();
    KMReportUIHandler(const KMReportUIHandler& other);
    KMReportUIHandler& operator=(const KMReportUIHandler& other);
    ~KMReportUIHandler();

    // Adopts a control tree (null unbinds). With `bindEvents` the bound edits, combos, rich edits,
    // edit combos and date controls report their changes. The visible picture boxes become the
    // image boxes, in tree order.
    void InitUI(DuiLib::CContainerUI* root, bool bindEvents);

    // Writes a value into the first control bound to `tag`, converting sex, age and date values
    // to the widget's form, and into the display fields of the tag; nothing is reported. False
    // for a null value or when no field (display fields aside) is bound to the tag.
    bool SetValue(DWORD tag, const wchar_t* value);
    // Shows the value in every display field of the attribute list bound to `tag` (after the
    // document took a value that a person typed elsewhere); nothing is reported.
    void RefreshDisplays(DWORD tag, const wchar_t* value);
    // The text of the first control bound to `tag`; false (and `value` unchanged) when none.
    bool GetValue(DWORD tag, std::wstring& value);

    // Listeners are called in registration order; null and duplicates are ignored.
    void RegisterCallback(IKMReportUIHandlerCallback* callback);
    void UnRegisterCallback(IKMReportUIHandlerCallback* callback);

    // Fills every bound control from the document, and the image boxes from its pictures; none of
    // these writes is reported. A field whose content the document holds in a form one text
    // cannot replace (KMDcmSR::CanSetValue) only shows it: on screen it looks set apart and the
    // page says why. The content no field shows fills the page's region "RT_CONTENT" (a text
    // control, or a container whose first edit takes the text and which is hidden while there is
    // none), read only, after those reasons (on screen only); a page without that region shows it
    // after the Finding's text, in the Finding field, which then only shows. False for a null
    // document or an unbound handler.
    bool SetDcmSR(KMDcmSR* sr);
    // Fills every bound control from an empty document; pictures stay.
    bool ClearUI();
    // Reports what a person typed into the focused date control as if the focus had left it, so
    // that an operation that reads, rebuilds, prints, switches or closes the report sees it. A date
    // that does not read as one is not reported.
    void CommitPendingInput();
    // Whether the focused field holds a person's change it has not told yet (a long text while
    // typing goes on).
    bool HasPendingInput() const;
    // The focused date control's tag and the date it shows, which it tells only when the focus
    // leaves it; false when no date control of the page has the focus or its text reads as no date.
    bool GetPendingDate(DWORD& tag, std::wstring& value);
    // The focused field's tag and what the person typed into it that it has not told yet, in
    // the document's form (as it would be told): a long text while typing goes on, or a date
    // (GetPendingDate). Nothing is told. False, with `tag` 0, when there is none; `value` keeps
    // its capacity for the next call.
    bool GetPendingInput(DWORD& tag, std::wstring& value);
    // Enables or disables every edit, combo, rich edit, edit combo and date control.
    bool EnableUI(bool enable);

    int GetImageBoxCount();
    // Shows JPEG or PNG bytes (used only during the call) in image box `index`. False for null
    // data, a length of 0 or below, or an index outside the image boxes.
    bool SetImageBox(int index, const unsigned char* data, long length);
    // Shows no picture in image box `index`; false for an index outside the image boxes.
    bool ClearImageBox(int index);
    // The image box that shows at `point` (a point of the page's window); -1 for none.
    int GetImageBoxAt(POINT point);
    // Shows the QR code of the text in the "RT_QRCODE" box, or clears it for null or empty text.
    // False when the page has no such box.
    bool SetQRCode(const char* text);

private:
    // What a delegate on a control calls back through; it dies with the binding it serves.
    struct Binding;

    static DWORD ParseTag(const wchar_t* text);
    // The group and element of a tag text as read, before masking; `element` is 0 when the text
    // ends right after the group.
    static void ReadTag(const wchar_t* text, long& group, long& element);

    DuiLib::CControlUI* FindControl(DWORD tag);
    DuiLib::CControlUI* FindControl(WORD group, WORD element);
    DuiLib::CControlUI* FindControl(DuiLib::CContainerUI* container, WORD group, WORD element);
    DuiLib::CControlUI* FindControl(DuiLib::CContainerUI* container, const std::wstring& name);
    void FindPictureUIList(DuiLib::CContainerUI* container, std::vector<DuiLib::CPictureUI*>& list);

    // Tells the listeners of an edit; `value` must be the caller's own for the call (a local or a
    // temporary), since it is not copied.
    void TriggerCallback(DWORD tag, const wchar_t* value);
    void BindControlEvents(DuiLib::CContainerUI* container);
    bool OnControlEvent(void* param);
    bool EnableUI(DuiLib::CContainerUI* container, bool enable);
    bool SetDcmSR(DuiLib::CContainerUI* container, KMDcmSR* sr);
    void LoadPictures(KMDcmSR* sr);
    // The page's focused control when it is bound to a tag, else null.
    DuiLib::CControlUI* FocusedField() const;
    // Shows a document value in a control in the widget's form; display fields, labels and every
    // field of a page being printed show it as people read it. Nothing is reported.
    void ShowValue(DuiLib::CControlUI* control, DWORD tag, const wchar_t* value, bool display);


    bool SetControlValue_PatientSex(DuiLib::CControlUI* control, const wchar_t* value);
    bool GetControlValue_PatientSex(DuiLib::CControlUI* control, std::wstring& value);
    bool GetControlUI_PatientAge(DuiLib::CControlUI* control, DuiLib::CEditUI*& edit, DuiLib::CComboUI*& combo);
    bool SetControlValue_PatientAge(DuiLib::CControlUI* control, const wchar_t* value);
    bool GetControlValue_PatientAge(DuiLib::CControlUI* control, std::wstring& value);
    // The text a person typed into `field`, bound to `tag`, in the document's form; false for
    // an age that reads as none.
    bool GetTypedValue(DuiLib::CControlUI* field, DWORD tag, std::wstring& value);
    bool SetControlValue_Date(DuiLib::CDateTimeUI* control, const wchar_t* value);
    bool GetControlValue_Date(DuiLib::CDateTimeUI* control, std::wstring& value);

    DuiLib::CContainerUI* m_pRoot;
    std::vector<DuiLib::CPictureUI*> m_vecPictures;
    std::vector<IKMReportUIHandlerCallback*> m_vecCallbacks;
    int m_nFillDepth;
    std::shared_ptr<Binding> m_pBinding;
    // The document's value of each name field as last shown, which a person's edit is read against.
    std::map<DuiLib::CControlUI*, std::wstring> m_mapShownNames;
    KMContentRegion m_region;
};
