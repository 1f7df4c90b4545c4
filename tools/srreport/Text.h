#pragma once

#include <string>

// Command-line text is UTF-8; the control's values are wide.
namespace Text {

// Throws Failure (input error) for bytes that are not UTF-8, rather than storing a text that
// differs from what was given; `what` names the text in the message.
std::wstring Wide(const std::string& utf8, const std::string& what);
std::string Utf8(const std::wstring& wide);

} // namespace Text
