#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "CorvaneApp/window/SocketFolder.hpp"
#include "SocketPathFolder.hpp"
#include "support/TestFolder.hpp"

using corvane::SocketFolder;
using corvane::SocketFolderError;

namespace {

unsigned modeOf(const std::filesystem::path& path)
{
    struct stat file {};
    return ::lstat(path.c_str(), &file) == 0 ? static_cast<unsigned>(file.st_mode & 07777) : 0;
}

std::filesystem::path privateFolder(const TestFolder& parent, const std::string& name, mode_t mode = 0700)
{
    const auto folder = parent.path() / name;
    std::filesystem::create_directory(folder);
    ::chmod(folder.c_str(), mode);
    return folder;
}

SocketFolderError::Case refusal(const std::function<void()>& step)
{
    try {
        step();
    } catch (const SocketFolderError& error) {
        return error.error();
    }
    ADD_FAILURE() << "the folder was taken";
    return {};
}

const std::string socketName = "brelmo-test";

} // namespace

TEST(SocketFolder, TakesTheRuntimeFolderOnlyWhenItIsTheUsersAlone)
{
    TestFolder folders;
    const uid_t user = ::geteuid();
    const auto own = folders.path() / "own";

    const auto runtime = privateFolder(folders, "runtime");
    const auto taken = SocketFolder::choose(runtime.string(), own, user, socketName);
    EXPECT_EQ(taken.path, runtime);
    EXPECT_FALSE(taken.runtimeFolderPassedOver);
    EXPECT_FALSE(std::filesystem::exists(own)) << "no folder of its own is made while the runtime folder serves";

    // Anyone may enter it; or it points elsewhere, even to a good folder; or it is gone.
    const auto open = privateFolder(folders, "open", 0755);
    const auto link = folders.path() / "link";
    std::filesystem::create_directory_symlink(runtime, link);
    const auto gone = folders.path() / "gone";
    for (const auto& [passedOver, why] :
         std::vector<std::pair<std::filesystem::path, SocketFolderError::Case>>{
             {open, SocketFolderError::WrongMode{open.string(), 0755}},
             {link, SocketFolderError::SymbolicLink{link.string()}},
             {gone, SocketFolderError::Unreachable{gone.string(), ENOENT}}}) {
        const auto chosen = SocketFolder::choose(passedOver.string(), own, user, socketName);
        EXPECT_EQ(chosen.path, own);
        ASSERT_TRUE(chosen.runtimeFolderPassedOver) << passedOver;
        EXPECT_EQ(chosen.runtimeFolderPassedOver->error(), why);
    }
    // Another user's (a session's variable kept across `su`), however private.
    EXPECT_EQ(refusal([&] { SocketFolder::check(runtime, user + 1); }),
              SocketFolderError::Case(SocketFolderError::OwnedByAnotherUser{runtime.string(), user}));

    // None, or a relative path, which the XDG rules say to ignore.
    for (const std::string unset : {"", "relative/runtime"}) {
        const auto chosen = SocketFolder::choose(unset, own, user, socketName);
        EXPECT_EQ(chosen.path, own);
        EXPECT_FALSE(chosen.runtimeFolderPassedOver);
    }
}

TEST(SocketFolder, MakesAFolderOfItsOwnPrivateAndRefusesOneThatIsNot)
{
    TestFolder folders;
    const uid_t user = ::geteuid();

    const auto made = folders.path() / "made";
    const mode_t umask = ::umask(0277); // even where the user's own mask would take its right to write
    const auto chosen = SocketFolder::choose("", made, user, socketName);
    ::umask(umask);
    EXPECT_EQ(chosen.path, made);
    EXPECT_EQ(modeOf(made), 0700u);
    EXPECT_EQ(SocketFolder::choose("", made, user, socketName).path, made) << "found again as made";

    // Found wrong, it is refused and left as found: it may already hold what another user put there.
    const auto shared = privateFolder(folders, "shared", 01777);
    EXPECT_EQ(refusal([&] { SocketFolder::choose("", shared, user, socketName); }),
              SocketFolderError::Case(SocketFolderError::WrongMode{shared.string(), 01777}));
    EXPECT_EQ(modeOf(shared), 01777u);

    const auto link = folders.path() / "link";
    std::filesystem::create_directory_symlink(made, link);
    EXPECT_EQ(refusal([&] { SocketFolder::choose("", link, user, socketName); }),
              SocketFolderError::Case(SocketFolderError::SymbolicLink{link.string()}));
    const auto dangling = folders.path() / "dangling";
    std::filesystem::create_directory_symlink(folders.path() / "nowhere", dangling);
    EXPECT_EQ(refusal([&] { SocketFolder::choose("", dangling, user, socketName); }),
              SocketFolderError::Case(SocketFolderError::SymbolicLink{dangling.string()}));
    EXPECT_FALSE(std::filesystem::exists(folders.path() / "nowhere")) << "nothing is made where a link points";

    const auto file = folders.path() / "file";
    std::ofstream(file) << "x";
    EXPECT_EQ(refusal([&] { SocketFolder::choose("", file, user, socketName); }),
              SocketFolderError::Case(SocketFolderError::NotAFolder{file.string()}));

    // Another user's: made by them before this user's first start.
    EXPECT_EQ(refusal([&] { SocketFolder::choose("", made, user + 1, socketName); }),
              SocketFolderError::Case(SocketFolderError::OwnedByAnotherUser{made.string(), user}));

    const auto unreachable = folders.path() / "missing" / "own";
    EXPECT_EQ(refusal([&] { SocketFolder::choose("", unreachable, user, socketName); }),
              SocketFolderError::Case(SocketFolderError::CannotBeMade{unreachable.string(), ENOENT}));
}

// Only where the socket's whole path fits in an address: a runtime folder that
// leaves no room is passed over, a folder of its own that leaves none is not
// made.
TEST(SocketFolder, TakesOnlyAFolderThatLeavesTheSocketRoom)
{
    TestFolder folders;
    const uid_t user = ::geteuid();
    const auto own = folders.path() / "own";

    const auto fits = socketPathFolder(folders.path(), socketName, 107);
    EXPECT_EQ(SocketFolder::choose(fits.string(), own, user, socketName).path, fits);
    const auto tooLong = socketPathFolder(folders.path(), socketName, 108);
    const auto chosen = SocketFolder::choose(tooLong.string(), own, user, socketName);
    EXPECT_EQ(chosen.path, own);
    ASSERT_TRUE(chosen.runtimeFolderPassedOver);
    EXPECT_EQ(chosen.runtimeFolderPassedOver->error(),
              SocketFolderError::Case(SocketFolderError::PathTooLong{tooLong.string(), 108}));

    const auto ownTooLong = tooLong / "own";
    EXPECT_EQ(refusal([&] { SocketFolder::choose("", ownTooLong, user, socketName); }),
              SocketFolderError::Case(SocketFolderError::PathTooLong{ownTooLong.string(), 112}));
    EXPECT_FALSE(std::filesystem::exists(ownTooLong));
}
