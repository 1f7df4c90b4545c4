#include "platform/kmbase/KMLastError.h"

#include <algorithm>
#include <cstring>

namespace {

std::string& Text()
{
    thread_local std::string text;
    return text;
}

using srctrl::ErrorCode;

// The leading words of each kind of reason, checked in this order.
const struct {
    const char* szStart;
    ErrorCode code;
} kKinds[] = {
    {"no window", ErrorCode::NoWindow},
    {"window not created", ErrorCode::NoWindow},
    {"skin folder not found", ErrorCode::SkinNotFound},
    {"file not readable", ErrorCode::FileNotReadable},
    {"not a DICOM file", ErrorCode::NotDicom},
    {"not an SR document", ErrorCode::NotSR},
    {"no Study Instance UID", ErrorCode::NotSR},
    {"no file name", ErrorCode::NoDocument},
    {"no document", ErrorCode::NoDocument},
    {"the source report", ErrorCode::NoDocument},
    {"template not written", ErrorCode::NotWritten},
    {"template", ErrorCode::Template},
    {"no template", ErrorCode::Template},
    {"not a template", ErrorCode::Template},
    {"no preview of template", ErrorCode::Template},
    {"no active report", ErrorCode::NoActiveReport},
    {"no printer name", ErrorCode::Printer},
    {"printer not found", ErrorCode::Printer},
    {"no such printer", ErrorCode::Printer},
    {"printing failed", ErrorCode::Printer},
    {"file not written", ErrorCode::NotWritten},
    {"PDF not written", ErrorCode::NotWritten},
    {"the printed copy would cut", ErrorCode::TextWouldBeCut},
    {"value not stored", ErrorCode::ValueRefused},
    {"no value", ErrorCode::ValueRefused},
    {"attribute list row", ErrorCode::ValueRefused},
    {"the report is verified", ErrorCode::Verified},
    {"the report is clos", ErrorCode::Closed},
    {"the control is being released", ErrorCode::Closed},
    {"report closed by a callback", ErrorCode::Closed},
    {"no image box", ErrorCode::Picture},
    {"no bitmap", ErrorCode::Picture},
    {"not a bitmap", ErrorCode::Picture},
    {"no picture", ErrorCode::Picture},
    {"picture ", ErrorCode::Picture},
    {"JPEG not encoded", ErrorCode::Picture},
    {"no frame", ErrorCode::Picture},
    {"no pixel data", ErrorCode::Picture},
    {"no image given", ErrorCode::Picture},
    {"the image ", ErrorCode::Picture},
    {"document not encoded", ErrorCode::NotEncoded},
    {"not a UID root", ErrorCode::UidRoot},
};

bool EndsWith(const std::string& text, const char* end)
{
    const size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

} // namespace

ErrorCode KMLastError::GetCode()
{
    const std::string& text = Text();
    if (text.empty()) {
        return ErrorCode::NoFailure;
    }
    if (EndsWith(text, "out of memory")) {
        return ErrorCode::OutOfMemory;
    }
    for (const auto& kind : kKinds) {
        if (text.rfind(kind.szStart, 0) == 0) {
            return kind.code;
        }
    }
    return ErrorCode::Other;
}

void KMLastError::Set(const std::string& text) { Text() = text; }

void KMLastError::SetShort(const char* text) noexcept
{
    // Fifteen characters fit in the string itself, whatever it held before.
    Text().assign(text, std::min<size_t>(std::strlen(text), 15));
}

void KMLastError::SetIfNone(const std::string& text)
{
    if (Text().empty()) {
        Text() = text;
    }
}

void KMLastError::Clear() { Text().clear(); }

const char* KMLastError::Get() { return Text().c_str(); }
