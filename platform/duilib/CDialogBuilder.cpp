#include "platform/duilib/CDialogBuilder.h"

#include "platform/duilib/Base64.h"
#include "platform/duilib/CComboUI.h"
#include "platform/duilib/CDateTimeUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CPictureUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/duilib/UILabel.h"
#include "platform/duilib/UILayout.h"
#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMString.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace DuiLib {

namespace {

std::wstring Wide(const char* text)
{
    return KMString(text != nullptr ? text : "").wstr();
}

// The next element of a depth-first walk of the tree under `root`, without recursion.
const tinyxml2::XMLElement* NextInTree(const tinyxml2::XMLElement* element, const tinyxml2::XMLElement* root)
{
    if (const tinyxml2::XMLElement* child = element->FirstChildElement()) {
        return child;
    }
    for (const tinyxml2::XMLElement* at = element; at != nullptr && at != root; at = at->Parent()->ToElement()) {
        if (const tinyxml2::XMLElement* sibling = at->NextSiblingElement()) {
            return sibling;
        }
    }
    return nullptr;
}

} // namespace

bool CDialogBuilder::CheckSizes(const tinyxml2::XMLElement* root, std::string& reason)
{
    for (const tinyxml2::XMLElement* e = root; e != nullptr; e = NextInTree(e, root)) {
        const bool image = std::strcmp(e->Name(), "img") == 0;
        for (const tinyxml2::XMLAttribute* a = e->FirstAttribute(); a != nullptr; a = a->Next()) {
            const size_t limit = image && std::strcmp(a->Name(), "data") == 0 ? kMaxImageDataBytes : kMaxAttributeBytes;
            const size_t length = std::strlen(a->Value());
            if (length > limit) {
                reason = std::string("attribute ") + a->Name() + " of " + e->Name() + ": " + std::to_string(length) +
                         " bytes, at most " + std::to_string(limit);
                return false;
            }
        }
    }
    return true;
}

CControlUI* CDialogBuilder::Create(STRINGorID xml, LPCTSTR, IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                   CControlUI* parent)
{
    if (xml.m_lpstr == nullptr || *xml.m_lpstr == L'\0') {
        return nullptr;
    }
    const std::string text = KMString(xml.m_lpstr).str();
    if (text.front() == '<') {
        return CreateFromXml(text.data(), text.size(), callback, manager, parent);
    }
    std::string content;
    const std::string path = KMString(CPaintManagerUI::GetResourcePath().Str()).str() + text;
    if (KMFile::Read(path.c_str(), kMaxFileBytes, content) != KMFile::Error::None) {
        return nullptr;
    }
    return CreateFromXml(content.data(), content.size(), callback, manager, parent);
}

CControlUI* CDialogBuilder::CreateFromXml(const char* xml, size_t length, IDialogBuilderCallback* callback,
                                          CPaintManagerUI* manager, CControlUI* parent)
{
    if (xml == nullptr || length == 0) {
        return nullptr;
    }
    tinyxml2::XMLDocument document;
    std::string oversized;
    if (document.Parse(xml, length) != tinyxml2::XML_SUCCESS || document.RootElement() == nullptr ||
        !CheckSizes(document.RootElement(), oversized)) {
        return nullptr;
    }
    m_pCallback = callback;
    m_pManager = manager;
    m_nControls = 0;
    m_nImageBytes = 0;
    m_bFailed = false;
    std::unique_ptr<CControlUI> root(BuildRoot(document.RootElement()));
    if (!root || m_bFailed) {
        return nullptr;
    }
    root->SetManager(manager, parent);
    if (manager != nullptr) {
        manager->NeedUpdate();
    }
    return root.release();
}

CControlUI* CDialogBuilder::BuildRoot(tinyxml2::XMLElement* root)
{
    if (std::strcmp(root->Name(), "Window") != 0) {
        return BuildControl(root, 0);
    }
    CControlUI* control = nullptr;
    for (tinyxml2::XMLElement* child = root->FirstChildElement(); child != nullptr && !m_bFailed;
         child = child->NextSiblingElement()) {
        if (BuildResource(child) || control != nullptr) {
            continue;
        }
        control = BuildControl(child, 1);
    }
    if (m_bFailed) {
        delete control;
        return nullptr;
    }
    return control;
}

bool CDialogBuilder::BuildResource(tinyxml2::XMLElement* element)
{
    const char* name = element->Name();
    if (std::strcmp(name, "img") == 0) {
        const char* key = element->Attribute("name");
        const char* data = element->Attribute("data");
        std::vector<unsigned char> bytes;
        if (m_pManager != nullptr && key != nullptr && data != nullptr &&
            Base64::Decode(data, std::strlen(data), bytes)) {
            if (HBITMAP bitmap = CRenderEngine::CreateBitmap(bytes.data(), bytes.size())) {
                BITMAP info{};
                GetObject(bitmap, sizeof(info), &info);
                m_nImageBytes += static_cast<size_t>(info.bmWidthBytes) * static_cast<size_t>(std::abs(info.bmHeight));
                if (m_nImageBytes > kMaxImagePixelBytes) {
                    DeleteObject(bitmap);
                    m_bFailed = true;
                    return true;
                }
                m_pManager->AddImage(Wide(key).c_str(), bitmap, info.bmWidth, info.bmHeight);
            }
        }
        return true;
    }
    if (std::strcmp(name, "Font") == 0) {
        if (m_pManager != nullptr) {
            TFontInfo font;
            if (const char* family = element->Attribute("name")) {
                font.sFamily = Wide(family);
            }
            font.iSize = std::max(1, std::min(element->IntAttribute("size", 14), 1000));
            font.bBold = element->BoolAttribute("bold", false);
            font.bItalic = element->BoolAttribute("italic", false);
            m_pManager->AddFont(element->IntAttribute("id", -1), font, element->BoolAttribute("default", false));
        }
        return true;
    }
    // A template's words for its printed copy are read by the print window.
    return std::strcmp(name, "Default") == 0 || std::strcmp(name, "Print") == 0;
}

CControlUI* CDialogBuilder::MakeControl(const char* name)
{
    const std::string n = name;
    if (n == "Control") return new CControlUI;
    if (n == "Container") return new CContainerUI;
    if (n == "VerticalLayout") return new CVerticalLayoutUI;
    if (n == "HorizontalLayout") return new CHorizontalLayoutUI;
    if (n == "TileLayout") return new CTileLayoutUI;
    if (n == "TabLayout") return new CTabLayoutUI;
    if (n == "ChildLayout") return new CChildLayoutUI;
    if (n == "Label") return new CLabelUI;
    if (n == "Text") return new CTextUI;
    if (n == "Button") return new CButtonUI;
    if (n == "Edit") return new CEditUI;
    if (n == "RichEdit") return new CRichEditUI;
    if (n == "Combo") return new CComboUI;
    if (n == "EditCombo") return new CEditComboUI;
    if (n == "ListLabelElement") return new CListLabelElementUI;
    if (n == "DateTime") return new CDateTimeUI;
    if (n == "Picture") return new CPictureUI;
    return m_pCallback != nullptr ? m_pCallback->CreateControl(Wide(name).c_str()) : nullptr;
}

CControlUI* CDialogBuilder::BuildControl(tinyxml2::XMLElement* element, int depth)
{
    if (depth > kMaxDepth || ++m_nControls > kMaxControls) {
        m_bFailed = true;
        return nullptr;
    }
    std::unique_ptr<CControlUI> control(MakeControl(element->Name()));
    if (!control) {
        return nullptr;
    }
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next()) {
        control->SetAttribute(Wide(a->Name()).c_str(), Wide(a->Value()).c_str());
    }
    auto* container = dynamic_cast<CContainerUI*>(control.get());
    for (tinyxml2::XMLElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (BuildResource(child) || container == nullptr) {
            continue;
        }
        CControlUI* built = BuildControl(child, depth + 1);
        if (m_bFailed) {
            delete built;
            return nullptr;
        }
        if (built != nullptr) {
            container->Add(built);
        }
    }
    return control.release();
}

} // namespace DuiLib
