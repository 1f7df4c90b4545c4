#pragma once

#include "platform/duilib/CContainerUI.h"

#include <cwchar>
#include <initializer_list>

// The kinds of a page's controls, by their class names, and the walk over a page that the
// binding's operations share.
class KMPageWalk {
public:
    // Which part of a page a walk visits: the fields of the page, or the display fields of the
    // attribute list too.
    enum class Scope { Fields, FieldsAndDisplays };

    static bool IsClass(DuiLib::CControlUI* control, const wchar_t* name)
    {
        return std::wcscmp(control->GetClass(), name) == 0;
    }

    static bool IsOneOf(DuiLib::CControlUI* control, std::initializer_list<const wchar_t*> names)
    {
        for (const wchar_t* name : names) {
            if (IsClass(control, name)) {
                return true;
            }
        }
        return false;
    }

    // The container kinds that every walk descends.
    static bool IsWalkedContainer(DuiLib::CControlUI* control)
    {
        return IsOneOf(control, {L"HorizontalLayout", L"VerticalLayout", L"ChildLayout", L"TabLayout", L"Container"});
    }

    // The attribute list ("TileLayout"): its bound controls are display fields, which show the
    // document's values as people read them, take no input and are never found by tag.
    static bool IsDisplayList(DuiLib::CControlUI* control) { return IsClass(control, L"TileLayout"); }

    // The controls a person types or picks a value into.
    static bool IsBindableValue(DuiLib::CControlUI* control)
    {
        return IsOneOf(control, {L"Edit", L"Combo", L"RichEdit", L"EditCombo", L"DateTime"});
    }

    // The controls a fill writes a value into.
    static bool IsFilledValue(DuiLib::CControlUI* control) { return IsBindableValue(control) || IsClass(control, L"Label"); }

    // Visits the controls below `container` in tree order, descending the page's layouts (and,
    // in scope FieldsAndDisplays, the attribute list); every control that is not descended is
    // visited as visit(control, display), `display` telling that it lies in the attribute list.
    // `visit` returns false to stop the walk; Walk then returns false.
    template <class Visit>
    static bool Walk(DuiLib::CContainerUI* container, Scope scope, Visit&& visit, bool display = false)
    {
        if (container == nullptr) {
            return true;
        }
        for (int i = 0; i < container->GetCount(); ++i) {
            DuiLib::CControlUI* child = container->GetItemAt(i);
            const bool descend = IsWalkedContainer(child) || (scope == Scope::FieldsAndDisplays && IsDisplayList(child));
            auto* inner = descend ? dynamic_cast<DuiLib::CContainerUI*>(child) : nullptr;
            if (inner != nullptr ? !Walk(inner, scope, visit, display || IsDisplayList(child)) : !visit(child, display)) {
                return false;
            }
        }
        return true;
    }
};
