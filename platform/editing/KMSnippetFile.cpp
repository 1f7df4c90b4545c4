#include "platform/editing/KMSnippetFile.h"

#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMString.h"

#include <glib.h>
#include <sys/stat.h>
#include <tinyxml2.h>

#include <cstdlib>

KMSnippetFile& KMSnippetFile::Get()
{
    static KMSnippetFile file;
    return file;
}

std::string KMSnippetFile::GetPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/srctrl/snippets.xml";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : g_get_home_dir()) + "/.config/srctrl/snippets.xml";
}

const std::vector<DuiLib::TSnippet>& KMSnippetFile::GetSnippets()
{
    Refresh();
    return m_vecSnippets;
}

const std::string& KMSnippetFile::GetError()
{
    Refresh();
    return m_strError;
}

void KMSnippetFile::Refresh()
{
    const std::string path = GetPath();
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    const long long size = exists ? static_cast<long long>(info.st_size) : -1;
    if (path == m_strPath && size == m_nSize && info.st_mtim.tv_sec == m_mtime.tv_sec &&
        info.st_mtim.tv_nsec == m_mtime.tv_nsec) {
        return;
    }
    m_strPath = path;
    m_nSize = size;
    m_mtime = exists ? info.st_mtim : timespec{};
    Read(path);
}

void KMSnippetFile::Read(const std::string& path)
{
    m_vecSnippets.clear();
    m_strError.clear();
    std::string bytes;
    const KMFile::Error error = KMFile::Read(path.c_str(), kMaxFileBytes, bytes);
    if (error == KMFile::Error::NotFound) {
        return;
    }
    const std::string where = "snippets not read: " + path + ": ";
    if (error != KMFile::Error::None) {
        m_strError = where + KMFile::Reason(error);
        return;
    }
    tinyxml2::XMLDocument document;
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) {
        m_strError = where + "line " + std::to_string(document.ErrorLineNum()) + ": " + document.ErrorName();
        return;
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    if (root == nullptr || std::string(root->Name()) != "Snippets") {
        m_strError = where + "the root element is not <Snippets>";
        return;
    }
    for (const tinyxml2::XMLElement* element = root->FirstChildElement("Snippet"); element != nullptr;
         element = element->NextSiblingElement("Snippet")) {
        const char* name = element->Attribute("name");
        const char* trigger = element->Attribute("trigger");
        const char* text = element->GetText();
        if (name == nullptr || *name == '\0' || text == nullptr || *text == '\0') {
            if (m_strError.empty()) {
                m_strError = "snippet left out: " + path + ": line " + std::to_string(element->GetLineNum()) +
                             ": a snippet needs a name and a text";
            }
            continue;
        }
        m_vecSnippets.push_back(DuiLib::TSnippet{KMString(name).wstr(), KMString(trigger != nullptr ? trigger : "").wstr(),
                                                 KMString(text).wstr()});
    }
}
