#pragma once

#include "platform/win32/WinDef.h"

#include <map>
#include <string>
#include <vector>

namespace DuiLib {
class CContainerUI;
class CControlUI;
class CEditUI;
} // namespace DuiLib

// What a page shows beyond its fields' own values: the fields that only show what the document
// holds, and the region for the content that no field shows.
//
// The region is the page's control named "RT_CONTENT": a text control, or a container whose first
// edit takes the text and which is hidden while there is none. It is read only. On a screen its
// text starts with the reasons why fields only show. A page without the region shows the content
// after the Finding's own text, in the Finding field, which then only shows.
//
// On a screen a field that only shows looks set apart (another background), and gets its own look
// back when it takes text again; on paper it looks as any field. Owns nothing of the page.
class KMContentRegion {
public:
    // Starts over with a new page: on a screen (`screen`) or on paper.
    void Reset(bool screen);
    // Makes an edit field take input or only show.
    void ShowReadOnly(DuiLib::CControlUI* control, bool readOnly);
    // Fills the region of the page under `root` with `notes` (on a screen) and `content`; without
    // a region, `finding` (may be null) takes the content.
    void Show(DuiLib::CContainerUI* root, const std::wstring& content, const std::vector<std::string>& notes,
              DuiLib::CEditUI* finding);

private:
    bool m_bScreen = false;
    // The own background of each field shown read-only on a screen.
    std::map<DuiLib::CControlUI*, DWORD> m_mapBackgrounds;
};
