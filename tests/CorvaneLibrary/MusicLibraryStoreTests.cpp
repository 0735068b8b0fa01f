#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/FolderPlaylist.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"
#include "CorvaneLibrary/PersistedMusicLibrary.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"

#include <QThreadPool>

using namespace corvane;
using corvane::testing::ControllableBookmarks;
using corvane::testing::names;
using corvane::testing::processEventsUntil;
using corvane::testing::TemporaryFolder;

namespace {

const std::string v2Key = "library.musicLibrary.v2";
const std::string v1Key = "library.folderPlaylists.v1";

class MusicLibraryStoreTest : public ::testing::Test {
protected:
    TemporaryFolder root;
    std::filesystem::path defaultsFile = root.path() / "config" / "defaults.json";
    std::unique_ptr<DefaultsStore> defaults = std::make_unique<DefaultsStore>(defaultsFile);
    std::shared_ptr<ControllableBookmarks> bookmarks = std::make_shared<ControllableBookmarks>();

    std::unique_ptr<MusicLibraryStore> makeStore() {
        auto store = std::make_unique<MusicLibraryStore>(*defaults, bookmarks);
        settle(*store);
        return store;
    }
    // Lets the start-up rescan (or any scan) run to its end.
    static void settle(MusicLibraryStore& store) {
        QCoreApplication::processEvents();
        ASSERT_TRUE(processEventsUntil([&] { return store.scanningSourceIDs().empty(); }));
    }
    static void wait(const std::function<void(MusicLibraryStore::Completion)>& operation) {
        bool finished = false;
        operation([&] { finished = true; });
        ASSERT_TRUE(processEventsUntil([&] { return finished; }));
    }
    std::optional<UUID> addFolder(MusicLibraryStore& store, const std::string& folder) {
        std::optional<UUID> id;
        wait([&](auto done) { id = store.addFolder(folder, done); });
        return id;
    }
    std::optional<PersistedMusicLibrary> storedLibrary() const {
        defaults->flush();
        const auto bytes = DefaultsStore(defaultsFile).dataValue(v2Key);
        return bytes ? decodedRecord<PersistedMusicLibrary>(*bytes) : std::nullopt;
    }
    FolderPlaylist folderPlaylist(const std::string& folder) const {
        return FolderPlaylist{UUID::random(), lastPathComponent(folder), folder,
                              *FileBookmarks().createBookmark(folder)};
    }
    static std::vector<std::string> titles(const MusicPlaylist& playlist) {
        std::vector<std::string> list;
        for (const auto& entry : playlist.entries) list.push_back(entry.title);
        return list;
    }
};

} // namespace

TEST_F(MusicLibraryStoreTest, AFirstStartStoresNothing) {
    auto store = makeStore();
    EXPECT_TRUE(store->sources().empty());
    EXPECT_TRUE(store->playlists().empty());
    EXPECT_FALSE(store->lastError());
    EXPECT_FALSE(defaults->contains(v2Key));
}

TEST_F(MusicLibraryStoreTest, MigratesTheOlderFolderPlaylistsOnceAndKeepsTheirOrder) {
    const auto ten = folderPlaylist(root.folder("Pasta 10"));
    const auto two = folderPlaylist(root.folder("Pasta 2"));
    root.file("Pasta 2/a.mid");
    const auto olderBytes = *encodedRecord(std::vector<FolderPlaylist>{ten, two});
    defaults->setData(v1Key, olderBytes);

    auto store = makeStore();
    ASSERT_EQ(store->sources().size(), 2u);
    EXPECT_EQ(store->sources()[0], (LibrarySource{ten.id, ten.name, ten.directoryPath, ten.bookmarkData, true}));
    EXPECT_EQ(store->sources()[1].id, two.id);
    EXPECT_TRUE(store->playlists().empty());
    EXPECT_EQ(store->tracks(two.id).size(), 1u);
    EXPECT_EQ(defaults->dataValue(v1Key), olderBytes);
    ASSERT_TRUE(storedLibrary());
    EXPECT_EQ(storedLibrary()->sources, store->sources());

    // A second run, from the file alone, reads the new record.
    store.reset();
    defaults->flush();
    defaults = std::make_unique<DefaultsStore>(defaultsFile);
    defaults->setData(v1Key, *encodedRecord(std::vector<FolderPlaylist>{}));
    EXPECT_EQ(names(makeStore()->sources()), (std::vector<std::string>{"Pasta 10", "Pasta 2"}));
}

TEST_F(MusicLibraryStoreTest, AnEmptyOlderRecordMigratesToAnEmptyLibrary) {
    defaults->setData(v1Key, corvane::testing::bytesOf("[]"));
    auto store = makeStore();
    EXPECT_EQ(corvane::testing::textOf(defaults->dataValue(v2Key)), R"({"playlists":[],"sources":[]})");
}

TEST_F(MusicLibraryStoreTest, AnUnreadableRecordIsKeptAsideBeforeTheMigrationOverwritesIt) {
    const auto folder = folderPlaylist(root.folder("Pasta"));
    defaults->setData(v1Key, *encodedRecord(std::vector<FolderPlaylist>{folder}));
    const auto broken = corvane::testing::bytesOf(R"({"sources":[]})"); // no "playlists"
    defaults->setData(v2Key, broken);

    auto store = makeStore();
    ASSERT_EQ(store->sources().size(), 1u);
    EXPECT_EQ(store->sources()[0].id, folder.id);
    EXPECT_FALSE(store->lastError());
    EXPECT_EQ(defaults->dataValue(v2Key + ".unreadable"), broken);
    EXPECT_NE(defaults->dataValue(v2Key), broken);
}

TEST_F(MusicLibraryStoreTest, AddingFoldersScansAndSortsThem) {
    auto store = makeStore();
    root.file("Pasta 10/b.mid");
    root.file("Pasta 2/Peca 10.mid");
    root.file("Pasta 2/Peca 2.mid");
    const auto ten = addFolder(*store, root.string() + "/Pasta 10");
    const auto two = addFolder(*store, root.string() + "/Pasta 2/");
    ASSERT_TRUE(ten && two);
    EXPECT_EQ(names(store->sources()), (std::vector<std::string>{"Pasta 2", "Pasta 10"}));
    EXPECT_EQ(store->sources()[0].directoryPath, root.string() + "/Pasta 2");
    ASSERT_EQ(store->tracks(*two).size(), 2u);
    EXPECT_EQ(store->tracks(*two)[0].relativePath, "Peca 2.mid");
    EXPECT_EQ(storedLibrary()->sources, store->sources());
    EXPECT_FALSE(store->lastError());

    // The same folder, spelled differently, renews the source it already is.
    root.file("Pasta 2/Peca 3.mid");
    EXPECT_EQ(addFolder(*store, root.string() + "/Pasta 10/../Pasta 2/."), two);
    EXPECT_EQ(store->sources().size(), 2u);
    EXPECT_EQ(store->tracks(*two).size(), 3u);
}

TEST_F(MusicLibraryStoreTest, AFolderThatCannotBeBookmarkedIsNotAdded) {
    auto store = makeStore();
    bookmarks->failCreation = true;
    EXPECT_FALSE(addFolder(*store, root.folder("Pasta")));
    EXPECT_TRUE(store->sources().empty());
    EXPECT_EQ(store->lastError(), "Não foi possível guardar acesso à pasta selecionada.");
    EXPECT_EQ(bookmarks->openAccesses, 0);

    // Renewing an existing source fails the same way, and leaves it as it was.
    bookmarks->failCreation = false;
    const auto id = addFolder(*store, root.folder("Pasta"));
    const auto before = store->sources();
    bookmarks->failCreation = true;
    EXPECT_EQ(addFolder(*store, root.folder("Pasta")), id);
    EXPECT_EQ(store->sources(), before);
    EXPECT_EQ(store->lastError(), "Não foi possível renovar o acesso à pasta selecionada.");
}

TEST_F(MusicLibraryStoreTest, ALostFolderIsMarkedUnavailableUntilRenewed) {
    const std::string folder = root.folder("Minha Pasta");
    root.file("Minha Pasta/a.mid");
    std::optional<UUID> id;
    {
        auto first = makeStore();
        id = addFolder(*first, folder);
    }
    std::filesystem::remove_all(folder);
    auto store = makeStore(); // its start-up rescan finds the folder gone
    ASSERT_EQ(store->sources().size(), 1u);
    EXPECT_FALSE(store->sources()[0].isAvailable);
    EXPECT_EQ(store->lastError(), "O acesso à pasta \u201CMinha Pasta\u201D precisa ser renovado.");
    EXPECT_FALSE(storedLibrary()->sources[0].isAvailable);

    const int resolutions = bookmarks->resolutions;
    wait([&](auto done) { store->refreshAll(done); });
    EXPECT_EQ(bookmarks->resolutions, resolutions) << "unavailable sources are skipped";

    root.file("Outra/b.mid");
    wait([&](auto done) { store->reauthorize(*id, root.string() + "/Outra", done); });
    EXPECT_TRUE(store->sources()[0].isAvailable);
    EXPECT_EQ(store->sources()[0].name, "Outra");
    EXPECT_EQ(store->tracks(*id).size(), 1u);
    EXPECT_FALSE(store->lastError());
}

TEST_F(MusicLibraryStoreTest, AFinishedScanClearsTheMessageOfAnEarlierFailure) {
    {
        auto first = makeStore();
        addFolder(*first, root.folder("A perdida"));
        addFolder(*first, root.folder("B boa"));
    }
    std::filesystem::remove_all(root.path() / "A perdida");
    auto store = makeStore();
    EXPECT_FALSE(store->lastError());
    EXPECT_FALSE(store->sources()[0].isAvailable);
    EXPECT_TRUE(store->sources()[1].isAvailable);
}

TEST_F(MusicLibraryStoreTest, AFolderRenamedInItsParentIsFollowed) {
    root.file("Antes/a.mid");
    std::optional<UUID> id;
    std::vector<std::uint8_t> oldBookmark;
    {
        auto first = makeStore();
        id = addFolder(*first, root.string() + "/Antes");
        oldBookmark = first->sources()[0].bookmarkData;
    }
    std::filesystem::rename(root.path() / "Antes", root.path() / "Depois");
    auto store = makeStore();
    ASSERT_TRUE(store->sources()[0].isAvailable);
    EXPECT_NE(store->sources()[0].bookmarkData, oldBookmark);
    EXPECT_EQ(store->tracks(*id).at(0).fileURL, root.string() + "/Depois/a.mid");
    EXPECT_EQ(store->sources()[0].directoryPath, root.string() + "/Depois");
    EXPECT_EQ(store->sources()[0].name, "Depois");
    EXPECT_EQ(storedLibrary()->sources, store->sources());

    // The record went with the folder: a new folder at the old path is a new
    // source, and the renamed one added again is still the same source.
    root.file("Antes/outra.mid");
    const auto newcomer = addFolder(*store, root.string() + "/Antes");
    EXPECT_NE(newcomer, id);
    EXPECT_EQ(store->resolve(LibrarySongReference::sourceTrack(*id, "a.mid")), root.string() + "/Depois/a.mid");
    EXPECT_EQ(addFolder(*store, root.string() + "/Depois"), id);
    EXPECT_EQ(store->sources().size(), 2u);
}

TEST_F(MusicLibraryStoreTest, RemovingASourceKeepsItsRecord) {
    auto store = makeStore();
    root.file("Pasta/a.mid");
    const auto id = addFolder(*store, root.string() + "/Pasta");
    int writes = 0;
    QObject::connect(defaults.get(), &DefaultsStore::valueChanged, [&] { ++writes; });
    store->removeSource(UUID::random());
    EXPECT_EQ(writes, 0);
    store->removeSource(*id);
    EXPECT_EQ(writes, 1);
    ASSERT_EQ(store->sources().size(), 1u);
    EXPECT_FALSE(store->sources()[0].isAvailable);
    EXPECT_TRUE(store->tracks(*id).empty());
    EXPECT_EQ(bookmarks->openAccesses, 0);
}

TEST_F(MusicLibraryStoreTest, PlaylistsAreTrimmedSortedAndSaved) {
    auto store = makeStore();
    EXPECT_FALSE(store->createPlaylist(" \t\n"));
    EXPECT_FALSE(defaults->contains(v2Key));
    const auto estudos = store->createPlaylist("  Estudos \n");
    ASSERT_TRUE(estudos);
    EXPECT_EQ(store->playlist(*estudos)->name, "Estudos");
    const auto b = store->createPlaylist("B");
    const auto a = store->createPlaylist("A");
    EXPECT_EQ(store->playlists()[0].id, *a);
    EXPECT_EQ(store->playlists()[1].id, *b);

    int changes = 0;
    QObject::connect(store.get(), &MusicLibraryStore::playlistsChanged, [&] { ++changes; });
    store->renamePlaylist(*a, "A ");
    EXPECT_EQ(changes, 0) << "an unchanged name is no change";
    store->renamePlaylist(*a, "C");
    store->renamePlaylist(*a, "   ");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(store->playlists()[0].id, *b);
    EXPECT_EQ(store->playlists()[1].name, "C");
    store->removePlaylist(*estudos);
    EXPECT_EQ(storedLibrary()->playlists, store->playlists());
    EXPECT_EQ(store->playlists().size(), 2u);
}

TEST_F(MusicLibraryStoreTest, EntriesAreAddedRemovedAndMovedByOffset) {
    auto store = makeStore();
    const auto id = *store->createPlaylist("Lista");
    auto fill = [&](std::initializer_list<const char*> titles) {
        store->removeEntries({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, id);
        for (const char* title : titles) store->add(LibrarySongReference::bundledDemo("demo"), title, id);
    };
    using Titles = std::vector<std::string>;
    fill({"A", "B", "C", "D", "E"});
    EXPECT_NE(store->playlist(id)->entries[0].id, store->playlist(id)->entries[1].id);
    EXPECT_FALSE(store->add(LibrarySongReference::bundledDemo("demo"), "X", UUID::random()));

    store->removeEntries({1, 3}, id);
    EXPECT_EQ(titles(*store->playlist(id)), (Titles{"A", "C", "E"}));
    fill({"A", "B", "C", "D"});
    store->removeEntries({3, 9, -1}, id);
    EXPECT_EQ(titles(*store->playlist(id)), (Titles{"A", "B", "C"}));

    struct Move {
        std::set<std::int64_t> offsets;
        std::int64_t destination;
        Titles expected;
    };
    for (const auto& move : std::vector<Move>{
             {{1}, 4, {"A", "C", "D", "B", "E"}},
             {{3}, 0, {"D", "A", "B", "C", "E"}},
             {{0, 2}, 5, {"B", "D", "E", "A", "C"}},
             {{4}, 99, {"A", "B", "C", "D", "E"}},
             {{2}, -3, {"C", "A", "B", "D", "E"}},
             {{7}, 1, {"A", "B", "C", "D", "E"}},
             {{1, 2}, INT64_MAX, {"A", "D", "E", "B", "C"}},
         }) {
        fill({"A", "B", "C", "D", "E"});
        store->moveEntries(move.offsets, move.destination, id);
        EXPECT_EQ(titles(*store->playlist(id)), move.expected) << "destination " << move.destination;
    }
    EXPECT_EQ(storedLibrary()->playlists, store->playlists());
}

TEST_F(MusicLibraryStoreTest, ResolvesSongsToFilesThatExist) {
    auto store = makeStore();
    root.file("Pasta/a.mid");
    root.file("Pasta/sub/b.mid");
    root.file("segredo.mid");
    const auto source = *addFolder(*store, root.string() + "/Pasta");

    EXPECT_FALSE(store->resolve(LibrarySongReference::bundledDemo("demo")));
    EXPECT_EQ(store->resolve(LibrarySongReference::sourceTrack(source, "sub/b.mid")), root.string() + "/Pasta/sub/b.mid");
    EXPECT_EQ(store->resolve(LibrarySongReference::sourceTrack(source, "sub/../a.mid")), root.string() + "/Pasta/a.mid");
    EXPECT_FALSE(store->resolve(LibrarySongReference::sourceTrack(source, "../segredo.mid")))
        << "a stored path must not lead out of its folder";
    EXPECT_FALSE(store->resolve(LibrarySongReference::sourceTrack(source, "sub/../../segredo.mid")));
    EXPECT_FALSE(store->resolve(LibrarySongReference::sourceTrack(source, "sub")));
    EXPECT_FALSE(store->resolve(LibrarySongReference::sourceTrack(UUID::random(), "a.mid")));
    std::filesystem::remove(root.path() / "Pasta" / "a.mid");
    EXPECT_FALSE(store->resolve(LibrarySongReference::sourceTrack(source, "a.mid")));
}

TEST_F(MusicLibraryStoreTest, ExternalFilesAreReachedByBookmarkThenByPath) {
    auto store = makeStore();
    const auto list = *store->createPlaylist("Lista");
    const std::string file = root.file("Estudo n. 2.mid");
    store->addExternalFile(root.string() + "/./Estudo n. 2.mid", list);
    const auto entry = store->playlist(list)->entries.at(0);
    EXPECT_EQ(entry.title, "Estudo n. 2");
    const auto* external = entry.reference.as<LibrarySongReference::ExternalFile>();
    ASSERT_TRUE(external && external->bookmarkData);
    EXPECT_EQ(external->path, file);

    // Renamed: the bookmark finds it; afterwards the answer comes from this run's cache.
    std::filesystem::rename(file, root.path() / "renomeado.mid");
    EXPECT_EQ(store->resolve(entry.reference), root.string() + "/renomeado.mid");
    std::filesystem::remove(root.path() / "renomeado.mid");
    EXPECT_FALSE(store->resolve(entry.reference));

    // Without a bookmark only the plain path counts.
    bookmarks->failCreation = true;
    const std::string other = root.file("outro.mid");
    store->addExternalFile(other, list);
    const auto plain = store->playlist(list)->entries.at(1).reference;
    EXPECT_FALSE(plain.as<LibrarySongReference::ExternalFile>()->bookmarkData);
    EXPECT_EQ(store->resolve(plain), other);
    EXPECT_EQ(store->playlist(list)->entries.size(), 2u);
}

TEST_F(MusicLibraryStoreTest, AFailedSaveIsReportedAndTheChangeKept) {
    const std::string blocker = root.file("blocker", "x");
    defaults = std::make_unique<DefaultsStore>(std::filesystem::path(blocker) / "defaults.json");
    auto store = makeStore();
    const auto id = store->createPlaylist("Lista");
    EXPECT_TRUE(store->playlist(*id));
    EXPECT_EQ(store->lastError(), "Não foi possível salvar a biblioteca.");
}

TEST_F(MusicLibraryStoreTest, DestroyingTheStoreDuringAScanIsSafe) {
    for (int i = 0; i < 400; ++i) root.file("Grande/sub" + std::to_string(i % 20) + "/p" + std::to_string(i) + ".mid");
    for (int round = 0; round < 5; ++round) {
        bool finished = false;
        {
            MusicLibraryStore store(*defaults, bookmarks);
            store.addFolder(root.string() + "/Grande", [&] { finished = true; });
            store.refreshAll();
        }
        // Give the abandoned scans time to finish and try to report back.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        EXPECT_FALSE(finished);
    }
    EXPECT_EQ(bookmarks->openAccesses, 0);
}
