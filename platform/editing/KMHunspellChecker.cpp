#include "platform/editing/KMHunspellChecker.h"

#include <glib.h>
#include <hunspell/hunspell.hxx>
#include <sys/stat.h>

#include <cstdlib>

struct KMHunspellChecker::Dictionary {
    std::unique_ptr<Hunspell> pHunspell;
    // The dictionary's character set; empty for UTF-8.
    std::string strEncoding;

    // `text` from one character set into another; empty when it does not convert (a word that
    // the dictionary's set cannot hold is not one of its words).
    static std::string Convert(const std::string& text, const char* to, const char* from)
    {
        gsize written = 0;
        gchar* converted = g_convert(text.data(), static_cast<gssize>(text.size()), to, from, nullptr, &written, nullptr);
        std::string result = converted != nullptr ? std::string(converted, written) : std::string();
        g_free(converted);
        return result;
    }
    std::string ToDictionary(const std::string& utf8) const
    {
        return strEncoding.empty() ? utf8 : Convert(utf8, strEncoding.c_str(), "UTF-8");
    }
    std::string FromDictionary(const std::string& text) const
    {
        return strEncoding.empty() ? text : Convert(text, "UTF-8", strEncoding.c_str());
    }
};

namespace {

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> SearchFolders()
{
    std::vector<std::string> folders;
    if (const char* dicpath = std::getenv("DICPATH")) {
        gchar** parts = g_strsplit(dicpath, ":", -1);
        for (gchar** part = parts; *part != nullptr; ++part) {
            if (**part != '\0') {
                folders.emplace_back(*part);
            }
        }
        g_strfreev(parts);
    }
    folders.emplace_back("/usr/share/hunspell");
    folders.emplace_back("/usr/share/myspell");
    return folders;
}

// A language names files: letters, digits, '_' and '-' only, so that it cannot reach another
// folder.
bool IsLanguageName(const std::string& language)
{
    if (language.empty() || language.size() > 32) {
        return false;
    }
    for (char c : language) {
        if (!g_ascii_isalnum(c) && c != '_' && c != '-') {
            return false;
        }
    }
    return true;
}

} // namespace

KMHunspellChecker::KMHunspellChecker() = default;
KMHunspellChecker::~KMHunspellChecker() = default;

KMHunspellChecker::Dictionary* KMHunspellChecker::Find(const std::string& language)
{
    const auto found = m_mapDictionaries.find(language);
    if (found != m_mapDictionaries.end()) {
        return found->second.get();
    }
    if (m_mapMissing.count(language) != 0) {
        return nullptr;
    }
    if (!IsLanguageName(language)) {
        m_mapMissing[language] = "not a dictionary name: \"" + language + "\"";
        return nullptr;
    }
    std::string looked;
    for (const std::string& folder : SearchFolders()) {
        const std::string base = folder + "/" + language;
        if (!IsRegularFile(base + ".aff") || !IsRegularFile(base + ".dic")) {
            looked += (looked.empty() ? "" : ", ") + folder;
            continue;
        }
        auto dictionary = std::make_unique<Dictionary>();
        dictionary->pHunspell = std::make_unique<Hunspell>((base + ".aff").c_str(), (base + ".dic").c_str());
        const std::string encoding = dictionary->pHunspell->get_dict_encoding();
        if (g_ascii_strcasecmp(encoding.c_str(), "UTF-8") != 0) {
            dictionary->strEncoding = encoding;
        }
        Dictionary* result = dictionary.get();
        m_mapDictionaries[language] = std::move(dictionary);
        return result;
    }
    m_mapMissing[language] = "no dictionary for " + language + " in " + looked;
    return nullptr;
}

bool KMHunspellChecker::HasLanguage(const std::string& language, std::string& reason)
{
    if (Find(language) != nullptr) {
        return true;
    }
    reason = m_mapMissing[language];
    return false;
}

bool KMHunspellChecker::IsCorrect(const std::string& language, const std::string& word)
{
    Dictionary* dictionary = Find(language);
    if (dictionary == nullptr) {
        return true;
    }
    const std::string converted = dictionary->ToDictionary(word);
    return !converted.empty() && dictionary->pHunspell->spell(converted);
}

std::vector<std::string> KMHunspellChecker::Suggest(const std::string& language, const std::string& word)
{
    std::vector<std::string> suggestions;
    Dictionary* dictionary = Find(language);
    const std::string converted = dictionary != nullptr ? dictionary->ToDictionary(word) : std::string();
    if (converted.empty()) {
        return suggestions;
    }
    for (const std::string& suggestion : dictionary->pHunspell->suggest(converted)) {
        const std::string utf8 = dictionary->FromDictionary(suggestion);
        if (!utf8.empty() && suggestions.size() < kMaxSuggestions) {
            suggestions.push_back(utf8);
        }
    }
    return suggestions;
}
