#pragma once

#include "CorvaneLibrary/BookmarkService.hpp"

namespace corvane {

// Bookmarks for a plain Linux file system: the bytes hold the item's path and
// its identity (device and inode). An item renamed within its folder is found
// again by its identity and reported stale; an item replaced at the same path
// (an editor's save-by-rename) is found by its path and reported stale; an
// item that is gone fails. There is no sandbox, so access always starts.
class FileBookmarks : public BookmarkService {
public:
    std::optional<std::vector<std::uint8_t>> createBookmark(const std::string& path) override;
    std::optional<BookmarkResolution> resolveBookmark(const std::vector<std::uint8_t>& bookmark) override;
    bool startAccessing(const std::string& path) override;
    void stopAccessing(const std::string& path) override;
};

} // namespace corvane
