#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/FileBookmarks.hpp"

#include "support/QtEventLoop.hpp"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace corvane::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brelmo-library-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        // Canonical, so that expected paths match the scanner's resolved ones.
        path_ = std::filesystem::canonical(pattern);
    }
    ~TemporaryFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string string() const { return path_.string(); }

    // Creates the file (and its folders) with some bytes; answers its path.
    std::string file(const std::string& relative, const std::string& content = "MThd") const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << content;
        return full.string();
    }
    std::string folder(const std::string& relative) const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full);
        return full.string();
    }

private:
    std::filesystem::path path_;
};

using ::processEventsUntil;

// A temporary folder holding the defaults file that the stores under test write.
class DefaultsFileTest : public ::testing::Test {
protected:
    TemporaryFolder root;
    std::filesystem::path file = root.path() / "defaults.json";

    // The defaults as the next run of the application reads them from the file.
    DefaultsStore& reopened() {
        laterRuns_.push_back(std::make_unique<DefaultsStore>(file));
        return *laterRuns_.back();
    }

private:
    std::vector<std::unique_ptr<DefaultsStore>> laterRuns_;
};

// How many stored values `action` changed.
inline int writesDuring(DefaultsStore& defaults, const std::function<void()>& action) {
    int writes = 0;
    const auto connection = QObject::connect(&defaults, &DefaultsStore::valueChanged, [&] { ++writes; });
    action();
    QObject::disconnect(connection);
    return writes;
}

// The `name` of each item, in order.
template <class T> std::vector<std::string> names(const std::vector<T>& items) {
    std::vector<std::string> list;
    for (const auto& item : items) list.push_back(item.name);
    return list;
}

// Real file bookmarks, with switches that make each step fail and a count of
// the accesses that are open.
class ControllableBookmarks : public BookmarkService {
public:
    bool failCreation = false;
    bool failResolution = false;
    bool forceStale = false;
    int openAccesses = 0;
    int creations = 0;
    int resolutions = 0;

    std::optional<std::vector<std::uint8_t>> createBookmark(const std::string& path) override {
        ++creations;
        if (failCreation) return std::nullopt;
        return real_.createBookmark(path);
    }
    std::optional<BookmarkResolution> resolveBookmark(const std::vector<std::uint8_t>& bookmark) override {
        ++resolutions;
        if (failResolution) return std::nullopt;
        auto resolution = real_.resolveBookmark(bookmark);
        if (resolution && forceStale) resolution->isStale = true;
        return resolution;
    }
    bool startAccessing(const std::string&) override {
        ++openAccesses;
        return true;
    }
    void stopAccessing(const std::string&) override { --openAccesses; }

private:
    FileBookmarks real_;
};

inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
inline std::string textOf(const std::optional<std::vector<std::uint8_t>>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<absent>");
}

// The whole of a file, as bytes in a string; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

} // namespace corvane::testing
