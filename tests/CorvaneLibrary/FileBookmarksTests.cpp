#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/FileBookmarks.hpp"

using namespace corvane;
using corvane::testing::TemporaryFolder;

TEST(FileBookmarks, FollowTheItemAndReportRenamesAsStale) {
    TemporaryFolder root;
    FileBookmarks bookmarks;
    const std::string folder = root.folder("Estudos");
    const std::string file = root.file("Estudos/Peca.mid");

    const auto folderMark = bookmarks.createBookmark(folder);
    const auto fileMark = bookmarks.createBookmark(file);
    ASSERT_TRUE(folderMark && fileMark);
    EXPECT_EQ(bookmarks.resolveBookmark(*folderMark), (BookmarkResolution{folder, false}));
    EXPECT_EQ(bookmarks.resolveBookmark(*fileMark), (BookmarkResolution{file, false}));

    std::filesystem::rename(file, root.path() / "Estudos" / "Peca renomeada.mid");
    EXPECT_EQ(bookmarks.resolveBookmark(*fileMark),
              (BookmarkResolution{(root.path() / "Estudos" / "Peca renomeada.mid").string(), true}));

    std::filesystem::rename(folder, root.path() / "Escalas");
    EXPECT_EQ(bookmarks.resolveBookmark(*folderMark), (BookmarkResolution{(root.path() / "Escalas").string(), true}));
}

TEST(FileBookmarks, AReplacedFileIsStaleAndAVanishedOneFails) {
    TemporaryFolder root;
    FileBookmarks bookmarks;
    const std::string file = root.file("a.mid", "one");
    const auto mark = bookmarks.createBookmark(file);
    ASSERT_TRUE(mark);

    // Editors save by writing a new file and renaming it over the old one.
    const std::string replacement = root.file("a.mid.new", "two");
    std::filesystem::rename(replacement, file);
    EXPECT_EQ(bookmarks.resolveBookmark(*mark), (BookmarkResolution{file, true}));

    std::filesystem::remove(file);
    EXPECT_FALSE(bookmarks.resolveBookmark(*mark));
    // A folder now standing at the file's path is not the file.
    std::filesystem::create_directory(file);
    EXPECT_FALSE(bookmarks.resolveBookmark(*mark));
}

TEST(FileBookmarks, RefuseWhatCannotBeBookmarkedOrRead) {
    TemporaryFolder root;
    FileBookmarks bookmarks;
    EXPECT_FALSE(bookmarks.createBookmark((root.path() / "missing").string()));
    EXPECT_FALSE(bookmarks.createBookmark("relative/path"));
    EXPECT_FALSE(bookmarks.createBookmark(""));
    EXPECT_FALSE(bookmarks.resolveBookmark({}));
    EXPECT_FALSE(bookmarks.resolveBookmark(corvane::testing::bytesOf("not a bookmark")));
    EXPECT_FALSE(bookmarks.resolveBookmark(corvane::testing::bytesOf(R"({"format":"brelmo.bookmark","path":5})")));
    // Dots in the chosen path are standardised away.
    const std::string folder = root.folder("a/b");
    const auto mark = bookmarks.createBookmark(folder + "/./../b");
    ASSERT_TRUE(mark);
    EXPECT_EQ(bookmarks.resolveBookmark(*mark)->path, folder);
}
