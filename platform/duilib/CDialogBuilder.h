#pragma once

#include "platform/Export.h"
#include "platform/duilib/CControlUI.h"

#include <cstddef>
#include <string>

namespace tinyxml2 {
class XMLElement;
}

namespace DuiLib {

class CPaintManagerUI;

// Makes controls for element names that the toolkit does not know.
class IDialogBuilderCallback {
public:
    virtual CControlUI* CreateControl(LPCTSTR className) = 0;

protected:
    ~IDialogBuilderCallback() = default;
};

// Builds a control tree from a skin in XML. The root element is either "Window", whose first
// control child becomes the root control, or a control itself. Anywhere in the tree, "Font"
// elements add fonts to the paint manager and "img" elements register their Base64 "data" as an
// image under their "name"; "Print" elements (a template's words for paper) make nothing; a
// Combo's "ListLabelElement" children are its items. Elements the
// toolkit does not know (and the callback does not make) are skipped with their children.
//
// Malformed or hostile skins give null: XML that does not parse, no root control, nesting
// deeper than kMaxDepth, more than kMaxControls controls, a file over kMaxFileBytes, an
// attribute longer than its meaning needs (CheckSizes), or images that together decode to more
// than kMaxImagePixelBytes. So a skin costs memory in proportion to its file, and at most that
// much for its pictures. The caller owns the returned root (normally by handing it to a
// container or to the paint manager).
class SRCTRL_API CDialogBuilder {
public:
    static constexpr int kMaxDepth = 200;
    static constexpr int kMaxControls = 100000;
    static constexpr size_t kMaxFileBytes = 64u * 1024u * 1024u;
    // An attribute holds a name, a number, a colour or a label's text: 64 KiB is far beyond any
    // of them. An "img" element's "data" holds a whole picture in Base64, up to 24 MiB (a 16 MiB
    // file).
    static constexpr size_t kMaxAttributeBytes = 64u * 1024u;
    static constexpr size_t kMaxImageDataBytes = 24u * 1024u * 1024u;
    // What all the pictures of one skin may take once decoded.
    static constexpr size_t kMaxImagePixelBytes = 256u * 1024u * 1024u;

    // Whether every attribute under `root` is within its limit; false with `reason` naming the
    // first that is not ("attribute text of Label: 60000000 bytes, at most 65536").
    static bool CheckSizes(const tinyxml2::XMLElement* root, std::string& reason);

    // `xml` names a skin file under the paint manager's resource path, or is XML text itself
    // when it starts with '<'.
    CControlUI* Create(STRINGorID xml, LPCTSTR type = nullptr, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // Builds from UTF-8 text of `length` bytes.
    CControlUI* CreateFromXml(const char* xml, size_t length, IDialogBuilderCallback* callback = nullptr,
                              CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);

private:
    CControlUI* BuildRoot(tinyxml2::XMLElement* root);
    CControlUI* BuildControl(tinyxml2::XMLElement* element, int depth);
    // Handles the elements that are not controls; true when `element` was one.
    bool BuildResource(tinyxml2::XMLElement* element);
    CControlUI* MakeControl(const char* name);

    IDialogBuilderCallback* m_pCallback = nullptr;
    CPaintManagerUI* m_pManager = nullptr;
    int m_nControls = 0;
    size_t m_nImageBytes = 0;
    bool m_bFailed = false;
};

} // namespace DuiLib
