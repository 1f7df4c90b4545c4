#include "printing/PrintedText.h"

#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/kmbase/KMString.h"

bool ShowsEveryTextWhole(DuiLib::CControlUI* page, std::string& field)
{
    if (page == nullptr || !page->IsVisible()) {
        return true;
    }
    if (auto* edit = dynamic_cast<DuiLib::CEditUI*>(page)) {
        if (edit->ShowsWholeText()) {
            return true;
        }
        const KMString tag(edit->GetUserData().GetData());
        const KMString name(edit->GetName().GetData());
        field = !tag.empty() ? "(" + tag.str() + ")" : !name.empty() ? "\"" + name.str() + "\"" : "without a name";
        return false;
    }
    auto* container = dynamic_cast<DuiLib::CContainerUI*>(page);
    for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
        if (!ShowsEveryTextWhole(container->GetItemAt(i), field)) {
            return false;
        }
    }
    return true;
}
