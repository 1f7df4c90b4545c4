#pragma once

#include <string>
#include <vector>

namespace testing_support {

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> Entries(const std::string& folder);

// The permission bits of a file (links followed); 0 when it does not exist.
unsigned ModeOf(const std::string& path);

// Whether `path` is a symbolic link.
bool IsLink(const std::string& path);

} // namespace testing_support
