#include "CorvaneLibrary/LibraryPaths.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"

#include <filesystem>
#include <system_error>

namespace corvane {

std::string standardizedAbsolutePath(std::string_view path) {
    if (path.empty()) return {};
    if (path.front() == '/') return standardizedPath(path);
    std::error_code ec;
    const auto base = std::filesystem::current_path(ec);
    if (ec) return standardizedPath(path);
    return standardizedPath(base.string() + "/" + std::string(path));
}

bool isPathInsideFolder(std::string_view path, std::string_view folder) {
    const std::string standardPath = standardizedPath(path);
    std::string prefix = standardizedPath(folder);
    if (prefix.empty()) return false;
    if (prefix.back() != '/') prefix += '/';
    return standardPath.size() > prefix.size() && standardPath.compare(0, prefix.size(), prefix) == 0;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

} // namespace corvane
