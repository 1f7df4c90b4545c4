#include "Failure.h"

#include <algorithm>
#include <cstring>

namespace {

// Messages are printed as one line even when a library's reason spans several.
std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

} // namespace

Failure::Failure(ExitCode code, const std::string& message) : std::runtime_error(OneLine(message)), m_code(code) {}

std::string SystemError(const std::string& what, const std::string& path, int error)
{
    return what + " " + path + ": " + std::strerror(error);
}
