#include "platform/kmbase/KMLastError.h"

namespace {

std::string& Text()
{
    thread_local std::string text;
    return text;
}

} // namespace

void KMLastError::Set(const std::string& text) { Text() = text; }

void KMLastError::SetIfNone(const std::string& text)
{
    if (Text().empty()) {
        Text() = text;
    }
}

void KMLastError::Clear() { Text().clear(); }

const char* KMLastError::Get() { return Text().c_str(); }
