#include "CorvaneDomain/StandardizedPath.hpp"

#include <vector>

namespace corvane {

namespace {

std::string_view trimmingTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

// Position of the dot that starts the extension of `name`, or npos.
std::size_t extensionDot(std::string_view name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return std::string_view::npos;
    return dot;
}

} // namespace

std::string standardizedPath(std::string_view path)
{
    if (path.empty()) return {};
    const bool absolute = path.front() == '/';

    std::vector<std::string_view> components;
    std::size_t position = 0;
    while (position <= path.size()) {
        auto slash = path.find('/', position);
        if (slash == std::string_view::npos) slash = path.size();
        const auto component = path.substr(position, slash - position);
        position = slash + 1;
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (!components.empty() && components.back() != "..") {
                components.pop_back();
                continue;
            }
            if (absolute) continue; // nothing above the root
        }
        components.push_back(component);
    }

    std::string result;
    if (absolute) result = "/";
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0) result += '/';
        result += components[i];
    }
    if (!absolute && result.empty()) result = ".";
    return result;
}

std::string lastPathComponent(std::string_view path)
{
    path = trimmingTrailingSlashes(path);
    if (path == "/") return "/";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string pathExtension(std::string_view path)
{
    const auto name = lastPathComponent(path);
    const auto dot = extensionDot(name);
    return dot == std::string_view::npos ? std::string{} : name.substr(dot + 1);
}

std::string lastPathComponentDeletingExtension(std::string_view path)
{
    auto name = lastPathComponent(path);
    const auto dot = extensionDot(name);
    if (dot != std::string_view::npos) name.erase(dot);
    return name;
}

} // namespace corvane
