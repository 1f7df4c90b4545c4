#pragma once

#include "platform/duilib/TSnippet.h"

#include <ctime>
#include <string>
#include <vector>

// A person's canned texts, from $XDG_CONFIG_HOME/srctrl/snippets.xml (~/.config/srctrl/ by
// default), shared by every host of the user:
//
//   <Snippets>
//     <Snippet name="Normal chest CT" trigger="nchest">No pulmonary nodule. No effusion.</Snippet>
//     <Snippet name="Nodule" trigger="nod">Nodule of [size] mm in the [lobe].</Snippet>
//   </Snippets>
//
// The file is read when first asked for and again whenever it changed. A file that does not
// parse, has another root element or exceeds kMaxFileBytes gives no snippets, and a snippet
// without a name or a text is left out; GetError says what was wrong. One object serves the
// process (Get), on the hosts' UI thread.
class KMSnippetFile {
public:
    static constexpr size_t kMaxFileBytes = 4u * 1024u * 1024u;

    static KMSnippetFile& Get();

    // The snippets of the file as it is now; empty when there is no file or it is not valid.
    const std::vector<DuiLib::TSnippet>& GetSnippets();
    // Why the file, or one of its snippets, was not taken ("snippets not read: PATH: line 3:
    // ..."); empty when all is well or there is no file.
    const std::string& GetError();
    static std::string GetPath();

private:
    KMSnippetFile() = default;
    void Refresh();
    void Read(const std::string& path);

    std::string m_strPath;
    timespec m_mtime{};
    long long m_nSize = -1;
    std::vector<DuiLib::TSnippet> m_vecSnippets;
    std::string m_strError;
};
