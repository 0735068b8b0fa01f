#include "CorvaneLibrary/FileBookmarks.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"

#include <nlohmann/json.hpp>

#include <dirent.h>
#include <sys/stat.h>

namespace corvane {

namespace {

constexpr const char* formatName = "brelmo.bookmark";
constexpr int formatVersion = 1;

struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool isDirectory = false;
};

std::optional<Identity> identityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return Identity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                    S_ISDIR(info.st_mode)};
}

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The entry of `folder` that is the same item as `wanted`, if any.
std::optional<std::string> findByIdentity(const std::string& folder, const Identity& wanted) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (entry->d_ino != 0 && static_cast<std::uint64_t>(entry->d_ino) != wanted.inode) continue;
        const std::string candidate = joined(folder, name);
        const auto identity = identityOf(candidate);
        if (identity && identity->device == wanted.device && identity->inode == wanted.inode) {
            found = candidate;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

std::optional<std::vector<std::uint8_t>> FileBookmarks::createBookmark(const std::string& path) {
    if (path.empty() || path.front() != '/') return std::nullopt;
    const std::string standardized = standardizedPath(path);
    const auto identity = identityOf(standardized);
    if (!identity) return std::nullopt;
    const nlohmann::json record = {
        {"format", formatName},
        {"version", formatVersion},
        {"path", standardized},
        {"name", lastPathComponent(standardized)},
        {"device", identity->device},
        {"inode", identity->inode},
        {"isDirectory", identity->isDirectory},
    };
    const std::string text = record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::optional<BookmarkResolution> FileBookmarks::resolveBookmark(const std::vector<std::uint8_t>& bookmark) {
    const auto record = nlohmann::json::parse(bookmark.begin(), bookmark.end(), nullptr, false);
    if (record.is_discarded() || !record.is_object() || record.value("format", "") != formatName) return std::nullopt;
    Identity wanted;
    std::string path;
    try {
        path = record.at("path").get<std::string>();
        wanted.device = record.at("device").get<std::uint64_t>();
        wanted.inode = record.at("inode").get<std::uint64_t>();
        wanted.isDirectory = record.at("isDirectory").get<bool>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    if (path.empty() || path.front() != '/') return std::nullopt;

    const auto current = identityOf(path);
    // Inode numbers are reused, so the kind of item must match as well.
    if (current && current->device == wanted.device && current->inode == wanted.inode &&
        current->isDirectory == wanted.isDirectory) {
        return BookmarkResolution{path, false};
    }
    // Renamed (or moved) within its folder: follow the item, not the name.
    if (auto moved = findByIdentity(parentOf(path), wanted)) {
        const auto identity = identityOf(*moved);
        if (identity && identity->isDirectory == wanted.isDirectory) return BookmarkResolution{*moved, true};
    }
    // Replaced by a new item of the same kind at the same place.
    if (current && current->isDirectory == wanted.isDirectory) return BookmarkResolution{path, true};
    return std::nullopt;
}

bool FileBookmarks::startAccessing(const std::string&) { return true; }

void FileBookmarks::stopAccessing(const std::string&) {}

} // namespace corvane
