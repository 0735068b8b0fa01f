#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/AtomicFileWriter.hpp"
#include "CorvaneLibrary/StaleTemporaryFiles.hpp"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

using namespace corvane;
using corvane::testing::readFile;
using corvane::testing::TemporaryFolder;

namespace {

std::vector<std::filesystem::path> temporariesOf(const std::filesystem::path& file) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
        if (AtomicFileWriter::isTemporaryName(file, entry.path().filename().string())) found.push_back(entry.path());
    return found;
}

// A writer in a child process killed as its temporary file is complete, just
// before the rename: what a kill -9 during a long write leaves.
void writeAndDieBeforeRename(const std::filesystem::path& file, const std::string& bytes) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFileWriter::write(file, bytes, [](const auto&, const auto&, std::string&) {
            ::raise(SIGKILL);
            return false;
        });
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

} // namespace

TEST(StaleTemporaryFiles, WhatKilledWritersLeftIsRemovedAndTheFileKeepsItsContent) {
    TemporaryFolder folder;
    const auto file = folder.path() / "defaults.json";
    ASSERT_FALSE(AtomicFileWriter::write(file, "old"));
    for (int i = 0; i < 3; ++i) writeAndDieBeforeRename(file, std::string(100'000, 'n'));
    auto left = temporariesOf(file);
    ASSERT_EQ(left.size(), 3u);
    std::sort(left.begin(), left.end());

    auto removed = StaleTemporaryFiles::removeBeside(file);
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, left);
    EXPECT_TRUE(temporariesOf(file).empty());
    EXPECT_EQ(readFile(file), "old");
    EXPECT_TRUE(StaleTemporaryFiles::removeBeside(file).empty());
}

TEST(StaleTemporaryFiles, ATemporaryStillBeingWrittenIsKept) {
    TemporaryFolder folder;
    const auto file = folder.path() / "defaults.json";
    // Another instance, or this one, clears the folder while a write waits to rename.
    std::vector<std::filesystem::path> removedMeanwhile;
    bool temporaryThere = false;
    const auto failure = AtomicFileWriter::write(
        file, "new", [&](const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
            removedMeanwhile = StaleTemporaryFiles::removeBeside(file);
            temporaryThere = std::filesystem::exists(from);
            return AtomicFileWriter::systemRename(from, to, error);
        });
    EXPECT_FALSE(failure);
    EXPECT_TRUE(removedMeanwhile.empty());
    EXPECT_TRUE(temporaryThere);
    EXPECT_EQ(readFile(file), "new");
}

TEST(StaleTemporaryFiles, OnlyThisFilesOwnTemporariesAreTaken) {
    TemporaryFolder folder;
    const auto file = folder.path() / "defaults.json";
    folder.file("defaults.json", "settings");
    const auto abandoned = folder.file(".defaults.json.tmp-Ab12Cd", "partial");
    const std::vector<std::string> kept = {
        ".defaults.json.tmp-Ab12C",      ".defaults.json.tmp-Ab12Cd7",    ".defaults.json.tmp-Ab12Cd.bak",
        ".defaults.json.tmp-Ab_2Cd",     "defaults.json.tmp-Ab12Cd",      ".other.json.tmp-Ab12Cd",
        ".defaults.json.unreadable-17", ".defaults.json.tmp-Dir123/inner",
    };
    for (const auto& name : kept) folder.file(name, "not ours");
    // A link under a temporary's name: neither it nor what it points at is the writer's.
    const auto elsewhere = folder.file("elsewhere/precious", "precious");
    std::filesystem::create_symlink(elsewhere, folder.path() / ".defaults.json.tmp-Link12");
    // The same name beside another file is that file's business.
    const auto otherCopy = folder.file("other/.defaults.json.tmp-Xy34Zw", "partial");

    EXPECT_EQ(StaleTemporaryFiles::removeBeside(file), std::vector<std::filesystem::path>{abandoned});
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_EQ(readFile(file), "settings");
    for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(folder.path() / name)) << name;
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / ".defaults.json.tmp-Link12"));
    EXPECT_EQ(readFile(elsewhere), "precious");
    EXPECT_TRUE(std::filesystem::exists(otherCopy));
    EXPECT_TRUE(StaleTemporaryFiles::removeBeside(folder.path() / "absent" / "defaults.json").empty());
}

TEST(StaleTemporaryFiles, WritesSucceedWhileTheFolderIsClearedAgainAndAgain) {
    TemporaryFolder folder;
    const auto file = folder.path() / "defaults.json";
    std::atomic<bool> done = false;
    // Now and then one goes between its creation and its lock: its writer makes another.
    std::thread clearing([&] {
        while (!done) StaleTemporaryFiles::removeBeside(file);
    });
    int failures = 0;
    for (int i = 0; i < 1000; ++i)
        if (AtomicFileWriter::write(file, std::to_string(i))) ++failures;
    done = true;
    clearing.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(readFile(file), "999");
    EXPECT_TRUE(temporariesOf(file).empty());
}
