#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/FolderPlaylistStore.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

using namespace corvane;
using corvane::testing::ControllableBookmarks;
using corvane::testing::names;

namespace {

class FolderPlaylistStoreTest : public corvane::testing::DefaultsFileTest {
protected:
    DefaultsStore defaults{file};
    std::shared_ptr<ControllableBookmarks> bookmarks = std::make_shared<ControllableBookmarks>();

    std::vector<FolderPlaylist> stored() {
        return *decodedRecord<std::vector<FolderPlaylist>>(*defaults.dataValue(FolderPlaylistStore::storageKey));
    }
};

} // namespace

TEST_F(FolderPlaylistStoreTest, AnUnreadableRecordGivesAnEmptyStoreAndAMessage) {
    FolderPlaylistStore empty(defaults, bookmarks);
    EXPECT_FALSE(empty.lastError());

    const auto bad = corvane::testing::bytesOf(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","name":"a","directoryPath":"/a"}])");
    defaults.setData(FolderPlaylistStore::storageKey, bad);
    FolderPlaylistStore store(defaults, bookmarks);
    EXPECT_TRUE(store.playlists().empty());
    EXPECT_EQ(store.lastError(), "As playlists salvas não puderam ser restauradas.");
    EXPECT_EQ(defaults.dataValue("library.folderPlaylists.v1.unreadable"), bad);
}

TEST_F(FolderPlaylistStoreTest, FoldersAreAddedOnceSortedAndScanned) {
    FolderPlaylistStore store(defaults, bookmarks);
    root.file("Pasta 10/a.mid");
    root.file("Pasta 2/b.mid");
    root.file("Pasta 2/c.mid");
    const auto ten = store.addFolder(root.string() + "/Pasta 10");
    const auto two = store.addFolder(root.string() + "/Pasta 2");
    const auto again = store.addFolder(root.folder("Outra/Pasta 2"));
    EXPECT_EQ(names(store.playlists()), (std::vector<std::string>{"Pasta 2", "Pasta 2", "Pasta 10"}));
    EXPECT_EQ(store.playlists()[0].id, two);
    EXPECT_EQ(store.playlists()[1].id, again);
    EXPECT_EQ(store.tracks(*two).size(), 2u);
    EXPECT_EQ(stored(), store.playlists());

    const int creations = bookmarks->creations;
    const int writes = corvane::testing::writesDuring(defaults, [&] {
        EXPECT_EQ(store.addFolder(root.string() + "/./Pasta 10"), ten);
    });
    EXPECT_EQ(bookmarks->creations, creations);
    EXPECT_EQ(writes, 0);

    bookmarks->failCreation = true;
    EXPECT_FALSE(store.addFolder(root.folder("Nova")));
    EXPECT_EQ(store.lastError(), "Não foi possível guardar acesso à pasta selecionada.");
}

TEST_F(FolderPlaylistStoreTest, RestoringKeepsTheStoredOrderAndRenewsStaleFolders) {
    root.file("Z/a.mid");
    root.file("A/b.mid");
    {
        FolderPlaylistStore first(defaults, bookmarks);
        first.addFolder(root.string() + "/Z");
        first.addFolder(root.string() + "/A");
        auto reversed = first.playlists();
        std::reverse(reversed.begin(), reversed.end());
        defaults.setData(FolderPlaylistStore::storageKey, *encodedRecord(reversed));
    }
    std::filesystem::rename(root.path() / "Z", root.path() / "Y");
    FolderPlaylistStore store(defaults, bookmarks);
    EXPECT_EQ(names(store.playlists()), (std::vector<std::string>{"Y", "A"}));
    EXPECT_EQ(store.playlists()[0].directoryPath, root.string() + "/Y");
    EXPECT_EQ(names(stored()), (std::vector<std::string>{"Y", "A"}));
    EXPECT_EQ(store.tracks(store.playlists()[0].id).size(), 1u);
}

TEST_F(FolderPlaylistStoreTest, AFailedRenewalIsReportedOnceThenTheFolderIsUsed) {
    root.file("P/a.mid");
    UUID id;
    {
        FolderPlaylistStore first(defaults, bookmarks);
        id = *first.addFolder(root.string() + "/P");
    }
    bookmarks->forceStale = true;
    bookmarks->failCreation = true;
    FolderPlaylistStore store(defaults, bookmarks);
    EXPECT_FALSE(store.lastError()) << "restoring reports nothing";
    EXPECT_TRUE(store.tracks(id).empty());
    store.refresh(id);
    EXPECT_EQ(store.tracks(id).size(), 1u) << "the folder resolved during restore is reused";
    EXPECT_FALSE(store.lastError());

    const int open = bookmarks->openAccesses;
    store.remove(id);
    EXPECT_EQ(bookmarks->openAccesses, open - 1);
    EXPECT_TRUE(store.playlists().empty());
    store.refresh(id);
    EXPECT_FALSE(store.lastError());
}
