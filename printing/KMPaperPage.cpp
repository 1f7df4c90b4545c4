#include "printing/KMPaperPage.h"

#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/CPictureUI.h"

#include <algorithm>
#include <cwchar>
#include <initializer_list>
#include <string>

using DuiLib::CContainerUI;
using DuiLib::CControlUI;

namespace {

bool IsOneOf(CControlUI* control, std::initializer_list<const wchar_t*> names)
{
    for (const wchar_t* name : names) {
        if (std::wcscmp(control->GetClass(), name) == 0) {
            return true;
        }
    }
    return false;
}

// The containers that place children on the page (a combo's items are not on the page).
CContainerUI* AsLayout(CControlUI* control)
{
    const bool layout = IsOneOf(control, {L"VerticalLayout", L"HorizontalLayout", L"TileLayout", L"TabLayout",
                                          L"Container", L"ChildLayout"});
    return layout ? dynamic_cast<CContainerUI*>(control) : nullptr;
}

// What the page's filling puts there: a field bound to a tag, a picture box, the QR code box.
bool ShowsTheDocument(CControlUI* control)
{
    return !control->GetUserData().IsEmpty() || IsOneOf(control, {L"Picture"}) ||
           control->GetName().Str() == L"RT_QRCODE";
}

bool HasSomethingToShow(CControlUI* control)
{
    if (auto* picture = dynamic_cast<DuiLib::CPictureUI*>(control)) {
        return picture->HasPicture();
    }
    if (control->GetName().Str() == L"RT_QRCODE") {
        return control->HasBkImage();
    }
    return !control->GetText().IsEmpty();
}

// Two neighbours bound to one tag show one value in two parts: the first takes the joined text
// and the room of both.
void Join(CControlUI* first, CControlUI* second, int gap)
{
    std::wstring text = first->GetText().Str();
    const std::wstring more = second->GetText().Str();
    text += !text.empty() && !more.empty() ? L" " + more : more;
    first->SetText(text.c_str());
    const int a = first->GetFixedWidth();
    const int b = second->GetFixedWidth();
    if (a > 0) {
        first->SetFixedWidth(b > 0 ? a + gap + b : 0);
    }
    second->SetVisible(false);
}

void JoinSplitValues(CContainerUI* container)
{
    CControlUI* previous = nullptr;
    for (int i = 0; i < container->GetCount(); ++i) {
        CControlUI* child = container->GetItemAt(i);
        if (CContainerUI* inner = AsLayout(child)) {
            JoinSplitValues(inner);
            previous = nullptr;
        } else if (!child->IsVisible() || child->GetUserData().IsEmpty()) {
            previous = nullptr;
        } else if (previous != nullptr && previous->GetUserData().Str() == child->GetUserData().Str() &&
                   dynamic_cast<CContainerUI*>(previous) == nullptr) {
            Join(previous, child, container->GetChildPadding());
        } else {
            previous = child;
        }
    }
}

enum class Shown { Nothing, Something, LeftOut };

// Leaves out what shows nothing of the document below `control` (and `control` itself unless it
// is the root); says what is left.
Shown LeaveOut(CControlUI* control, bool root)
{
    CContainerUI* layout = AsLayout(control);
    if (layout == nullptr && !ShowsTheDocument(control)) {
        return Shown::Nothing;
    }
    Shown shown = Shown::Nothing;
    if (layout == nullptr) {
        shown = HasSomethingToShow(control) ? Shown::Something : Shown::LeftOut;
    } else {
        for (int i = 0; i < layout->GetCount(); ++i) {
            const Shown inner = LeaveOut(layout->GetItemAt(i), false);
            if (inner != Shown::Nothing && shown != Shown::Something) {
                shown = inner;
            }
        }
    }
    if (!control->IsVisible()) {
        // Hidden by the template or its image layout: what it holds is not on paper either.
        return shown == Shown::Nothing ? Shown::Nothing : Shown::LeftOut;
    }
    if (shown != Shown::LeftOut) {
        return shown;
    }
    if (root || control->GetPrintEmpty() != DuiLib::PrintEmpty::Omit) {
        return Shown::Something;
    }
    CControlUI* parent = control->GetParent();
    if (layout != nullptr && parent != nullptr && IsOneOf(parent, {L"HorizontalLayout"})) {
        // A block beside others keeps its place, empty, so that the others stay where they are
        // (a QR code box stays at the row's end).
        for (int i = 0; i < layout->GetCount(); ++i) {
            layout->GetItemAt(i)->SetVisible(false);
        }
        return Shown::LeftOut;
    }
    control->SetVisible(false);
    return Shown::LeftOut;
}

// The height `control` needs for what it holds, in scaled pixels; a control stacked in a
// column, every multi-line text box and a single-line field whose text needs more than its
// height are given that height.
int Fit(CControlUI* control, bool stacked)
{
    int needed = 0;
    auto* text = IsOneOf(control, {L"Edit", L"RichEdit"}) ? dynamic_cast<DuiLib::CEditUI*>(control) : nullptr;
    CContainerUI* layout = AsLayout(control);
    if (text != nullptr) {
        // A multi-line box is as high as its text; a single-line field keeps its height unless
        // its text, wrapped on paper, needs more.
        const bool multiline = IsOneOf(control, {L"RichEdit"});
        needed = multiline ? text->GetContentHeight() : std::max(text->GetHeight(), text->GetContentHeight());
        stacked = stacked || multiline || needed > text->GetHeight();
    } else if (layout != nullptr && IsOneOf(control, {L"TileLayout"})) {
        // Its cells, in rows, are as high as they need; the list as high as its rows.
        for (int i = 0; i < layout->GetCount(); ++i) {
            if (layout->GetItemAt(i)->IsVisible()) {
                Fit(layout->GetItemAt(i), true);
            }
        }
        needed = layout->EstimateSize(SIZE{layout->GetWidth(), 0}).cy;
    } else if (layout != nullptr) {
        // A column stacks its children; every other layout lays them over its whole height.
        const bool column = IsOneOf(control, {L"VerticalLayout"});
        const RECT inner = layout->GetInnerRect();
        long long content = 0;
        int count = 0;
        for (int i = 0; i < layout->GetCount(); ++i) {
            CControlUI* child = layout->GetItemAt(i);
            if (!child->IsVisible() || child->IsFloat()) {
                continue;
            }
            const RECT pad = child->GetPadding();
            const long long height = static_cast<long long>(Fit(child, column)) + pad.top + pad.bottom;
            content = column ? content + height : std::max(content, height);
            ++count;
        }
        if (column && count > 1) {
            content += static_cast<long long>(count - 1) * layout->GetChildPadding();
        }
        const long long frame = static_cast<long long>(layout->GetHeight()) - (inner.bottom - inner.top);
        needed = DuiLib::ClampCoordinate(frame + content);
    } else {
        // A control that the layout stretches keeps the height it was given.
        needed = control->GetFixedHeight() > 0 ? control->GetFixedHeight() : control->GetHeight();
    }
    needed = std::max(needed, 0);
    if (stacked) {
        control->SetFixedHeight(needed);
    }
    return needed;
}

} // namespace

void KMPaperPage::LeaveOutEmpty(CContainerUI* root)
{
    if (root == nullptr) {
        return;
    }
    JoinSplitValues(root);
    LeaveOut(root, true);
}

void KMPaperPage::CloseGaps(CContainerUI* root)
{
    if (root != nullptr) {
        Fit(root, true);
    }
}
