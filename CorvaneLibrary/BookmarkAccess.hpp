#pragma once

#include "CorvaneLibrary/BookmarkService.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The items a store has reached through their bookmarks in this run, by key:
// the path each one resolved to, and whether access to it was started, so
// that every started access is stopped once. The service must outlive it.
template <class Key> class BookmarkAccess {
public:
    explicit BookmarkAccess(BookmarkService& bookmarks) : bookmarks_(bookmarks) {}

    // The path held under `key`, if any.
    std::optional<std::string> path(const Key& key) const {
        const auto it = held_.find(key);
        return it == held_.end() ? std::nullopt : std::optional(it->second.path);
    }

    void hold(const Key& key, const std::string& path, bool started) {
        auto& held = held_[key];
        held.path = path;
        held.started = held.started || started;
    }

    // Resolves a stored bookmark, then starts access to the item and holds it
    // under `key`; absent when the item cannot be found.
    std::optional<BookmarkResolution> reach(const Key& key, const std::vector<std::uint8_t>& bookmark) {
        auto resolution = bookmarks_.resolveBookmark(bookmark);
        if (resolution) hold(key, resolution->path, bookmarks_.startAccessing(resolution->path));
        return resolution;
    }

    void release(const Key& key) {
        const auto it = held_.find(key);
        if (it == held_.end()) return;
        if (it->second.started) bookmarks_.stopAccessing(it->second.path);
        held_.erase(it);
    }

    void releaseAll() {
        for (const auto& [key, held] : held_)
            if (held.started) bookmarks_.stopAccessing(held.path);
        held_.clear();
    }

private:
    struct Held {
        std::string path;
        bool started = false;
    };

    BookmarkService& bookmarks_;
    std::map<Key, Held> held_;
};

// A bookmark for a folder the user chose, made with access to the folder
// started; when none can be made, a started access is stopped again.
struct ChosenFolderBookmark {
    std::vector<std::uint8_t> bookmark;
    bool accessStarted = false;
};

inline std::optional<ChosenFolderBookmark> bookmarkChosenFolder(BookmarkService& bookmarks, const std::string& path) {
    const bool started = bookmarks.startAccessing(path);
    auto bookmark = bookmarks.createBookmark(path);
    if (!bookmark) {
        if (started) bookmarks.stopAccessing(path);
        return std::nullopt;
    }
    return ChosenFolderBookmark{std::move(*bookmark), started};
}

} // namespace corvane
