#pragma once

#include <string>
#include <string_view>

namespace corvane {

// File-system flavoured path helpers; the textual ones (standardised path,
// last component, extension) are in CorvaneDomain/StandardizedPath.hpp.

// A path the user chose, made absolute against the working folder and then
// standardised. Symbolic links are kept; "" stays "".
std::string standardizedAbsolutePath(std::string_view path);

// Whether the standardised `path` lies strictly below the standardised `folder`.
bool isPathInsideFolder(std::string_view path, std::string_view folder);

// Whether something other than a folder exists at `path` (links followed).
bool fileExists(const std::string& path);

} // namespace corvane
