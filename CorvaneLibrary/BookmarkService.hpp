#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

struct BookmarkResolution {
    std::string path;
    // The item was found, but no longer where the bookmark says; a new
    // bookmark should replace the old one.
    bool isStale = false;
    bool operator==(const BookmarkResolution&) const = default;
};

// Durable references to files and folders chosen by the user, and the access
// that goes with them. The library stores reach their folders and files only
// through this interface, so that tests can make each step fail.
class BookmarkService {
public:
    virtual ~BookmarkService() = default;

    // Opaque bytes that find the item again in a later run; absent when the
    // item cannot be bookmarked (it does not exist, for one).
    virtual std::optional<std::vector<std::uint8_t>> createBookmark(const std::string& path) = 0;
    // The item's current path, or absent when it cannot be found any more.
    virtual std::optional<BookmarkResolution> resolveBookmark(const std::vector<std::uint8_t>& bookmark) = 0;
    // Whether access was started; every started access is stopped once.
    virtual bool startAccessing(const std::string& path) = 0;
    virtual void stopAccessing(const std::string& path) = 0;
};

} // namespace corvane
