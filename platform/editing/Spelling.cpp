#include "platform/editing/Spelling.h"

#include "platform/editing/KMSpelling.h"

namespace srctrl {

void SetSpellChecking(bool enabled)
{
    KMSpelling::Get().SetEnabled(enabled);
}

bool IsSpellChecking()
{
    return KMSpelling::Get().IsEnabled();
}

bool SetSpellLanguages(const char* languages)
{
    return KMSpelling::Get().SetLanguages(languages != nullptr ? languages : "");
}

void SetSpellChecker(ISpellChecker* checker)
{
    KMSpelling::Get().SetChecker(checker);
}

bool CanCheckSpelling(const char* language, std::string& reason)
{
    return KMSpelling::Get().CanCheck(language != nullptr ? language : "", reason);
}

} // namespace srctrl
