#include "CorvaneLibrary/PlaylistScanner.hpp"

#include "CorvaneLibrary/LocalizedOrdering.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"

#include <QCollator>
#include <QCollatorSortKey>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace corvane {

namespace fs = std::filesystem;

namespace {

bool isMIDIExtension(const std::string& name) {
    std::string extension = pathExtension(name);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "mid" || extension == "midi";
}

bool isHidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

// The folder's real path, or nothing when it cannot be resolved.
std::optional<std::string> resolvedRoot(const std::string& folder) {
    if (folder.empty()) return std::nullopt;
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(standardizedPath(folder)), ec);
    if (ec) return std::nullopt;
    const fs::path real = fs::canonical(absolute, ec);
    if (ec) return std::nullopt;
    return real.string();
}

void sortByRelativePath(std::vector<PlaylistTrack>& tracks) {
    // Sort keys make the comparison cheap for large folders.
    const QCollator& collator = localizedStandardCollator();
    struct Keyed {
        QCollatorSortKey key;
        std::size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i)
        keyed.push_back({collator.sortKey(QString::fromStdString(tracks[i].relativePath)), i});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Keyed& a, const Keyed& b) { return a.key.compare(b.key) < 0; });
    std::vector<PlaylistTrack> sorted;
    sorted.reserve(tracks.size());
    for (const auto& k : keyed) sorted.push_back(std::move(tracks[k.index]));
    tracks = std::move(sorted);
}

} // namespace

std::vector<PlaylistTrack> PlaylistScanner::tracks(const std::string& folder) {
    const auto root = resolvedRoot(folder);
    if (!root) return {};
    const std::string prefix = *root + "/";

    std::vector<PlaylistTrack> found;
    // Explicit stack rather than recursion: folder trees can be deep.
    std::vector<fs::path> pending{fs::path(*root)};
    while (!pending.empty()) {
        const fs::path current = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        fs::directory_iterator it(current, ec);
        if (ec) continue; // unreadable folders simply do not appear
        std::vector<fs::directory_entry> entries;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec) break;
            entries.push_back(*it);
        }
        // A fixed visiting order keeps ties in the final sort reproducible.
        std::sort(entries.begin(), entries.end(),
                  [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
        std::vector<fs::path> subfolders;
        for (const auto& entry : entries) {
            const std::string name = entry.path().filename().string();
            if (isHidden(name)) continue;
            const fs::file_status status = entry.symlink_status(ec);
            if (ec) continue;
            if (fs::is_directory(status)) {
                subfolders.push_back(entry.path());
                continue;
            }
            // The name test comes first so that other files cost nothing more.
            if (!isMIDIExtension(name) || !fs::is_regular_file(status)) continue;
            const std::string fileURL = standardizedPath(entry.path().string());
            const std::string relativePath = fileURL.compare(0, prefix.size(), prefix) == 0
                                                 ? fileURL.substr(prefix.size())
                                                 : lastPathComponent(fileURL);
            found.emplace_back(lastPathComponentDeletingExtension(name), relativePath, fileURL);
        }
        for (auto it2 = subfolders.rbegin(); it2 != subfolders.rend(); ++it2) pending.push_back(*it2);
    }
    sortByRelativePath(found);
    return found;
}

} // namespace corvane
