#include "platform/editing/KMSpelling.h"

#include "platform/kmbase/KMUtil.h"

#include <glib.h>
#include <pango/pango.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr long long kRefreshUs = 1000000;
const char* const kDefaultLanguage = "en_US";

std::string PersonalListPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : g_get_home_dir()) + "/.config";
    }
    return folder + "/srctrl/words.txt";
}

// "en_US" → "en".
std::string Prefix(const std::string& language)
{
    return language.substr(0, language.find_first_of("_-"));
}

bool IsName(const std::string& language)
{
    return !language.empty() && language.size() <= 32 &&
           std::all_of(language.begin(), language.end(),
                       [](char c) { return g_ascii_isalnum(c) || c == '_' || c == '-'; });
}

} // namespace

KMSpelling& KMSpelling::Get()
{
    static KMSpelling spelling;
    return spelling;
}

void KMSpelling::StartSession()
{
    if (m_nSessions++ == 0) {
        m_bListsLoaded = false;
        Changed();
    }
}

void KMSpelling::EndSession()
{
    if (m_nSessions > 0 && --m_nSessions == 0) {
        m_setIgnored.clear();
        Changed();
    }
}

void KMSpelling::SetEnabled(bool enabled)
{
    if (enabled != m_bEnabled) {
        m_bEnabled = enabled;
        Changed();
    }
}

bool KMSpelling::ParseLanguages(const std::string& text, std::vector<std::string>& languages)
{
    std::vector<std::string> parsed;
    gchar** parts = g_strsplit_set(text.c_str(), ", \t", -1);
    bool valid = true;
    for (gchar** part = parts; *part != nullptr; ++part) {
        if (**part == '\0') {
            continue;
        }
        std::string language = *part;
        // "en-US" as in XML's xml:lang names the dictionary en_US.
        std::replace(language.begin(), language.end(), '-', '_');
        valid = valid && IsName(language);
        parsed.push_back(language);
    }
    g_strfreev(parts);
    if (valid) {
        languages = std::move(parsed);
    }
    return valid;
}

bool KMSpelling::SetLanguages(const std::string& languages)
{
    std::vector<std::string> parsed;
    if (!ParseLanguages(languages, parsed)) {
        return false;
    }
    m_vecLanguages = std::move(parsed);
    Changed();
    return true;
}

void KMSpelling::SetChecker(srctrl::ISpellChecker* checker)
{
    m_pHostChecker = checker;
    Changed();
}

srctrl::ISpellChecker& KMSpelling::Checker()
{
    return m_pHostChecker != nullptr ? *m_pHostChecker : m_hunspell;
}

bool KMSpelling::CanCheck(const std::string& language, std::string& reason)
{
    if (!IsName(language)) {
        reason = "not a language: \"" + language + "\"";
        return false;
    }
    return Checker().HasLanguage(language, reason);
}

std::vector<std::string> KMSpelling::LanguagesFor(const std::string& templateLanguages) const
{
    if (!m_vecLanguages.empty()) {
        return m_vecLanguages;
    }
    std::vector<std::string> languages;
    if (!ParseLanguages(templateLanguages, languages) || languages.empty()) {
        languages = {kDefaultLanguage};
    }
    return languages;
}

void KMSpelling::LoadLists()
{
    if (m_bListsLoaded) {
        return;
    }
    m_bListsLoaded = true;
    std::string reason;
    m_personal.Load(PersonalListPath(), reason);
    m_mapMedical.clear();
    m_nLastRefreshUs = g_get_monotonic_time();
}

KMWordList& KMSpelling::MedicalWords(const std::string& language)
{
    const std::string prefix = Prefix(language);
    auto found = m_mapMedical.find(prefix);
    if (found == m_mapMedical.end()) {
        found = m_mapMedical.emplace(prefix, KMWordList()).first;
        const std::string path = KMUtil::GetSkinPath().str() + "srctrl/spelling/medical_" + prefix + ".txt";
        std::string reason;
        found->second.Load(path, reason);
    }
    return found->second;
}

bool KMSpelling::IsAccepted(const std::vector<std::string>& languages, const std::string& word)
{
    LoadLists();
    if (m_setIgnored.count(word) != 0 || m_personal.Contains(word)) {
        return true;
    }
    return std::any_of(languages.begin(), languages.end(),
                       [&](const std::string& language) { return MedicalWords(language).Contains(word); });
}

bool KMSpelling::Applies(const std::string& language, const std::string& word)
{
    std::string languageTag = language;
    std::replace(languageTag.begin(), languageTag.end(), '_', '-');
    int count = 0;
    const PangoScript* scripts = pango_language_get_scripts(pango_language_from_string(languageTag.c_str()), &count);
    if (scripts == nullptr || count == 0) {
        return false;
    }
    for (const char* p = word.c_str(); *p != '\0'; p = g_utf8_next_char(p)) {
        const GUnicodeScript script = g_unichar_get_script(g_utf8_get_char(p));
        if (script == G_UNICODE_SCRIPT_COMMON || script == G_UNICODE_SCRIPT_INHERITED) {
            continue;
        }
        if (std::none_of(scripts, scripts + count, [script](PangoScript s) { return static_cast<int>(s) == script; })) {
            return false;
        }
    }
    std::string reason;
    return Checker().HasLanguage(language, reason);
}

bool KMSpelling::IsMisspelled(const std::vector<std::string>& languages, const std::string& word)
{
    if (word.empty() || IsAccepted(languages, word)) {
        return false;
    }
    bool applied = false;
    for (const std::string& language : languages) {
        if (!Applies(language, word)) {
            continue;
        }
        applied = true;
        if (Checker().IsCorrect(language, word)) {
            return false;
        }
    }
    return applied;
}

std::vector<std::string> KMSpelling::Suggest(const std::vector<std::string>& languages, const std::string& word)
{
    std::vector<std::string> suggestions;
    for (const std::string& language : languages) {
        if (!Applies(language, word)) {
            continue;
        }
        for (std::string& suggestion : Checker().Suggest(language, word)) {
            if (std::find(suggestions.begin(), suggestions.end(), suggestion) == suggestions.end()) {
                suggestions.push_back(std::move(suggestion));
            }
        }
    }
    return suggestions;
}

bool KMSpelling::AddToDictionary(const std::string& word, std::string& reason)
{
    LoadLists();
    const bool saved = m_personal.Add(word, reason);
    if (!saved && !word.empty()) {
        m_setIgnored.insert(word);
    }
    Changed();
    return saved;
}

void KMSpelling::Ignore(const std::string& word)
{
    if (!word.empty() && m_setIgnored.insert(word).second) {
        Changed();
    }
}

unsigned long KMSpelling::GetGeneration()
{
    const long long now = g_get_monotonic_time();
    if (m_bListsLoaded && now - m_nLastRefreshUs >= kRefreshUs) {
        m_nLastRefreshUs = now;
        if (m_personal.Refresh()) {
            Changed();
        }
    }
    return m_nGeneration;
}
