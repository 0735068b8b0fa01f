// The library destination of the main window on the X server of the test,
// with two folder sources (one with nested subfolders, one removed), a
// playlist and a search, kept as pictures for a reviewer.
#include <QLineEdit>
#include <QPixmap>
#include <QtTest/QTest>

#include <iostream>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "LibraryViewTestSupport.hpp"

using namespace corvane;

namespace {

void keep(QWidget& window, const char* name)
{
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/%1").arg(QString::fromLatin1(name));
    ASSERT_TRUE(window.grab().save(file));
    std::cout << "library picture: " << file.toStdString() << "\n";
}

} // namespace

TEST(LibraryScreenshot, SourcesAPlaylistAndASearchInTheMainWindow)
{
    AppDelegate look;
    ControllerHarness harness(false);
    corvane::testing::TemporaryFolder songs;
    for (const char* file : {"Bach/Invenções/Invenção 1.mid", "Bach/Invenções/Invenção 2.mid",
                             "Bach/Invenções/Invenção 13.mid", "Bach/Minueto em Sol.mid",
                             "Bach/Prelúdio em Dó maior BWV 846 do Cravo Bem Temperado.mid",
                             "Chopin/Noturnos/Noturno op. 9 n.º 2.mid", "Chopin/Prelúdio op. 28 n.º 4.mid",
                             "Satie/Gymnopédie n.º 1.mid", "Escala de Dó.mid"})
        songs.file(std::string("Coleção de estudo/") + file);
    songs.file("Pendrive antigo/Valsa.mid");

    MainWindow window;
    window.attach(harness.controller());
    RootView& root = *window.rootView();
    MusicLibraryStore& store = root.libraryStore();
    const auto done = [&] { return store.scanningSourceIDs().empty(); };
    const UUID collection = *store.addFolder((songs.path() / "Coleção de estudo").string());
    ASSERT_TRUE(processEventsUntil(done));
    const UUID old = *store.addFolder((songs.path() / "Pendrive antigo").string());
    ASSERT_TRUE(processEventsUntil(done));
    const UUID recital = *store.createPlaylist("Recital de junho");
    store.add(LibrarySongReference::bundledDemo("furElise"), "Para Elisa (Beethoven)", recital);
    store.add(LibrarySongReference::sourceTrack(collection, "Bach/Minueto em Sol.mid"), "Minueto em Sol", recital);
    store.add(LibrarySongReference::sourceTrack(old, "Valsa.mid"), "Valsa", recital);
    store.add(LibrarySongReference::sourceTrack(collection, "Satie/Gymnopédie n.º 1.mid"), "Gymnopédie n.º 1",
              recital);
    store.createPlaylist("Aquecimento");
    store.removeSource(old);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    root.setSelection(LibraryDestination::library);
    auto library = qobject_cast<MusicLibraryView*>(root.destinationView(LibraryDestination::library));
    ASSERT_NE(library, nullptr);
    ASSERT_TRUE(processEventsUntil(done));
    processEventsFor(std::chrono::milliseconds(100));

    // The collection with its nested subfolders, searched.
    library->setSelection(LibraryCollection::source(collection));
    library->searchField()->setText("o");
    library->setSelectedSongID(sourceSongID(collection, "Bach/Invenções/Invenção 2.mid"));
    processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(library->songPane(), SongPane::list);
    EXPECT_EQ(library->songModel().rowCount(), 5);
    keep(window, "brelmo-library.png");

    // The playlist: a demo, two tracks and one of the removed folder.
    library->searchField()->clear();
    library->setSelection(LibraryCollection::playlist(recital));
    processEventsFor(std::chrono::milliseconds(200));
    ASSERT_EQ(library->filteredSongs().size(), 4u);
    EXPECT_FALSE(library->filteredSongs()[2].isAvailable());
    keep(window, "brelmo-library-playlist.png");

    // The removed folder.
    library->setSelection(LibraryCollection::source(old));
    processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(library->songPane(), SongPane::unavailableFolder);
    keep(window, "brelmo-library-unavailable-folder.png");
}
