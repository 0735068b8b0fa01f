#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest/QTest>
#include <QtTest/qtestspontaneevent.h>

#include "CorvaneApp/library/LibraryContentScreens.hpp"
#include "CorvaneApp/library/LibraryRowDelegates.hpp"
#include "CorvaneApp/library/PlaylistNameDialog.hpp"
#include "LibraryViewTestSupport.hpp"

using namespace corvane;


TEST_F(LibraryViewTest, LaysOutTheHeaderAndTheSplitAndStartsFromAllSongs)
{
    MusicLibraryView& library = makeView();
    EXPECT_EQ(library.objectName(), "MusicLibraryView");
    EXPECT_EQ(library.findChild<QLabel*>("libraryTitle")->text(), "Biblioteca");
    EXPECT_EQ(library.searchField()->placeholderText(), "Buscar músicas");
    const struct {
        QToolButton* button;
        const char* title;
        const char* image;
        const char* help;
    } buttons[] = {{library.openMIDIButton(), "Abrir MIDI", "doc.badge.plus", "Abrir um arquivo MIDI (Ctrl+O)"},
                   {library.addFolderButton(), "Adicionar pasta", "folder.badge.plus", ""},
                   {library.newPlaylistButton(), "Nova playlist", "text.badge.plus", ""}};
    int left = 0;
    for (const auto& [button, title, image, help] : buttons) {
        EXPECT_EQ(button->text(), title);
        EXPECT_EQ(button->property("systemImage").toString(), image);
        EXPECT_EQ(button->toolTip(), help);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_GT(button->x(), left) << title << " after the one before";
        left = button->x();
    }
    EXPECT_GT(library.openMIDIButton()->x(), library.searchField()->x());

    // Collections 190–280 wide, 220 at first; songs at least 420.
    EXPECT_EQ(library.collectionList()->width(), 220);
    EXPECT_EQ(library.collectionList()->minimumWidth(), 190);
    EXPECT_EQ(library.collectionList()->maximumWidth(), 280);
    EXPECT_EQ(library.songList()->parentWidget()->minimumWidth(), 420);
    EXPECT_EQ(library.splitter()->width(), 965);

    EXPECT_EQ(library.selection(), LibraryCollection::all());
    EXPECT_EQ(library.songPane(), SongPane::list);
    EXPECT_EQ(library.songModel().rowCount(), 5);
    EXPECT_EQ(library.collectionList()->currentIndex(), collectionIndex(LibraryCollection::all()));

    library.openMIDIButton()->click();
    library.addFolderButton()->click();
    EXPECT_EQ(openMIDICalls, 1);
    EXPECT_EQ(addFolderCalls, 1);

    // The rows of the list: a click on a collection selects it, on a button row acts.
    auto viewport = library.collectionList()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(library.collectionList(),
                                                              collectionIndex(LibraryCollection::demos())));
    EXPECT_EQ(library.selection(), LibraryCollection::demos());
    const auto& rows = library.collectionModel().rows();
    const auto addFolderRow = library.collectionModel().index(4);
    ASSERT_EQ(rows[4].kind, CollectionRow::Kind::addFolder);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(library.collectionList(), addFolderRow));
    EXPECT_EQ(addFolderCalls, 2);
    EXPECT_EQ(library.selection(), LibraryCollection::demos()) << "a button row leaves the selection";
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      centreOf(library.collectionList(), library.collectionModel().index(3)));
    EXPECT_EQ(library.selection(), LibraryCollection::demos()) << "a section title cannot be selected";
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      centreOf(library.collectionList(), library.collectionModel().index(6)));
    ASSERT_TRUE(library.isCreatingPlaylist());
    library.newPlaylistDialog()->cancelButton()->click();
    EXPECT_FALSE(library.isCreatingPlaylist());
    // The keys step over sections and buttons: down from "Demos" finds nothing selectable.
    library.collectionList()->setFocus();
    QTest::keyClick(library.collectionList(), Qt::Key_Up);
    EXPECT_EQ(library.selection(), LibraryCollection::all());
    QTest::keyClick(library.collectionList(), Qt::Key_Down);
    QTest::keyClick(library.collectionList(), Qt::Key_Down);
    EXPECT_EQ(library.selection(), LibraryCollection::demos());
}

TEST_F(LibraryViewTest, StoreChangesAreDerivedOnceInTheNextTurnKeepingTheRowTheScrollAndTheGroups)
{
    for (int folder : {2, 10})
        for (int i = 1; i <= 30; ++i)
            root.file("Coleção/Estudos " + std::to_string(folder) + "/Estudo " + std::to_string(i) + ".mid");
    root.file("Coleção/Solto.mid");
    const UUID source = addFolder((root.path() / "Coleção").string());
    MusicLibraryView& library = makeView();
    library.setSelection(LibraryCollection::source(source));
    EXPECT_EQ(library.songPane(), SongPane::list);
    ASSERT_TRUE(library.songModel().isGrouped());
    ASSERT_EQ(library.songModel().rowCount(), 3);
    EXPECT_EQ(library.songModel().group(library.songModel().index(2, 0))->name, "Pasta principal");

    const std::string chosen = sourceSongID(source, "Estudos 10/Estudo 12.mid");
    library.setGroupExpanded("Estudos 2", false);
    library.setSelectedSongID(chosen);
    library.songList()->layOutNow();
    library.songList()->verticalScrollBar()->setValue(160);
    ASSERT_EQ(library.songList()->verticalScrollBar()->value(), 160);

    // Several changes in one turn: one derivation, and only in the next turn.
    const int before = library.derivationCount();
    store.createPlaylist("A");
    store.createPlaylist("B");
    EXPECT_EQ(library.derivationCount(), before);
    QCoreApplication::processEvents();
    EXPECT_EQ(library.derivationCount(), before + 1);
    EXPECT_EQ(library.collectionModel().rows().size(), 10u);

    // A rescan that finds a new file rebuilds the list as it was.
    root.file("Coleção/Estudos 10/Estudo 31.mid");
    bool finished = false;
    store.refresh(source, [&] { finished = true; });
    ASSERT_TRUE(processEventsUntil([&] { return finished; }));
    settle();
    EXPECT_EQ(library.filteredSongs().size(), 62u);
    const QModelIndex group2 = library.songModel().indexOfGroup("Estudos 2");
    const QModelIndex group10 = library.songModel().indexOfGroup("Estudos 10");
    EXPECT_FALSE(library.songList()->isExpanded(group2));
    EXPECT_TRUE(library.songList()->isExpanded(group10));
    EXPECT_EQ(library.songList()->currentIndex(), library.songModel().indexOfSong(chosen));
    EXPECT_TRUE(library.songList()->selectionModel()->isSelected(library.songModel().indexOfSong(chosen)));
    EXPECT_EQ(library.selectedSongID(), chosen);
    EXPECT_EQ(library.songList()->verticalScrollBar()->value(), 160);

    // Closing a group by its row; the name is closed in every source.
    library.songList()->verticalScrollBar()->setValue(0);
    QTest::mouseClick(library.songList()->viewport(), Qt::LeftButton, {}, centreOf(library.songList(), group10));
    EXPECT_FALSE(library.isGroupExpanded("Estudos 10"));
    QTest::mouseClick(library.songList()->viewport(), Qt::LeftButton, {}, centreOf(library.songList(), group10));
    EXPECT_TRUE(library.isGroupExpanded("Estudos 10"));
    library.setGroupExpanded("Pasta principal", false);
    root.file("Outra/Só.mid");
    const UUID other = addFolder((root.path() / "Outra").string());
    library.setSelection(LibraryCollection::source(other));
    EXPECT_EQ(library.songList()->verticalScrollBar()->value(), 0) << "another collection starts at its top";
    EXPECT_FALSE(library.songList()->isExpanded(library.songModel().indexOfGroup("Pasta principal")));

    // A search narrows the groups; an empty result shows the empty screen.
    library.setSelection(LibraryCollection::source(source));
    library.searchField()->setText("estudo 1");
    EXPECT_EQ(library.searchText(), "estudo 1");
    EXPECT_EQ(library.songModel().rowCount(), 2);
    EXPECT_EQ(library.filteredSongs().size(), 22u);
    library.searchField()->setText("   ");
    EXPECT_EQ(library.songPane(), SongPane::empty);
    EXPECT_EQ(library.emptyScreen()->title(), "Nenhum resultado");
    EXPECT_EQ(library.emptyScreen()->description(), "Tente buscar por outro nome ou caminho.");
    EXPECT_EQ(library.emptyScreen()->systemImage(), "magnifyingglass");
}

TEST_F(LibraryViewTest, ShowingTheLibraryAgainStartsOverAndRescansButARestoredWindowDoesNot)
{
    root.file("Pasta/Sub/a.mid");
    const UUID source = addFolder((root.path() / "Pasta").string());
    MusicLibraryView& library = makeView();
    int scans = 0;
    QObject::connect(&store, &MusicLibraryStore::scanningSourceIDsChanged, [&] {
        if (!store.scanningSourceIDs().empty()) ++scans;
    });
    library.setSelection(LibraryCollection::source(source));
    library.setGroupExpanded("Sub", false);
    library.setSelectedSongID(sourceSongID(source, "Sub/a.mid"));
    library.setSearchText("a");

    QShowEvent restored;
    QSpontaneKeyEvent::setSpontaneous(&restored);
    // Delivered as the window system does: sendEvent would clear the flag.
    QApplication::instance()->notify(&library, &restored);
    EXPECT_EQ(library.selection(), LibraryCollection::source(source));
    EXPECT_EQ(library.searchText(), "a");
    EXPECT_EQ(scans, 0);

    library.hide();
    library.show();
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(library.selection(), LibraryCollection::all());
    EXPECT_EQ(library.searchText(), "");
    EXPECT_EQ(library.searchField()->text(), "");
    EXPECT_TRUE(library.collapsedGroups().empty());
    EXPECT_EQ(library.selectedSongID(), std::nullopt);
    EXPECT_EQ(library.collectionList()->currentIndex(), collectionIndex(LibraryCollection::all()));
    settle();
    EXPECT_EQ(library.songModel().rowCount(), 6);
}

TEST_F(LibraryViewTest, ARemovedSourceStaysUnavailableAndOffersOnlyReauthorisation)
{
    root.file("Pasta/a.mid");
    root.file("Pasta/b.mid");
    const UUID source = addFolder((root.path() / "Pasta").string());
    MusicLibraryView& library = makeView();
    EXPECT_EQ(library.makeCollectionMenu(LibraryCollection::all(), &library), nullptr);
    EXPECT_EQ(library.makeCollectionMenu(LibraryCollection::demos(), &library), nullptr);
    library.setSelection(LibraryCollection::source(source));

    std::unique_ptr<QMenu> menu(library.makeCollectionMenu(LibraryCollection::source(source), &library));
    ASSERT_TRUE(menu);
    EXPECT_EQ(entryTitles(menu.get()), (QStringList{"Atualizar", "Remover fonte"}));
    EXPECT_EQ(entry(menu.get(), "Atualizar")->property("systemImage").toString(), "arrow.clockwise");
    EXPECT_TRUE(entry(menu.get(), "Remover fonte")->property("destructive").toBool());
    entry(menu.get(), "Atualizar")->trigger();
    EXPECT_EQ(store.scanningSourceIDs(), std::set<UUID>{source});
    settle();
    const auto row = library.collectionModel().row(collectionIndex(LibraryCollection::source(source)));
    EXPECT_EQ(row->count, 2u);
    EXPECT_EQ(row->systemImage, "folder");

    entry(menu.get(), "Remover fonte")->trigger();
    settle();
    const auto removed = library.collectionModel().row(collectionIndex(LibraryCollection::source(source)));
    ASSERT_TRUE(removed) << "the source stays listed";
    EXPECT_EQ(removed->systemImage, "folder.badge.questionmark");
    EXPECT_EQ(removed->count, 0u);
    EXPECT_EQ(library.selection(), LibraryCollection::source(source));
    EXPECT_EQ(library.songPane(), SongPane::unavailableFolder);
    LibraryUnavailableContent* screen = library.unavailableFolderScreen();
    EXPECT_TRUE(screen->isVisible());
    EXPECT_EQ(screen->title(), "Pasta indisponível");
    EXPECT_EQ(screen->systemImage(), "folder.badge.questionmark");
    EXPECT_EQ(screen->description(), "Reautorize a pasta para recuperar suas músicas e referências de playlists.");
    EXPECT_EQ(screen->actionButton()->text(), "Reautorizar pasta…");
    screen->actionButton()->click();
    EXPECT_EQ(reauthorized, std::vector<UUID>{source});

    menu.reset(library.makeCollectionMenu(LibraryCollection::source(source), &library));
    EXPECT_EQ(entryTitles(menu.get()), QStringList{"Reautorizar pasta…"});
    EXPECT_EQ(entry(menu.get(), "Reautorizar pasta…")->property("systemImage").toString(), "folder.badge.plus");
    entry(menu.get(), "Reautorizar pasta…")->trigger();
    EXPECT_EQ(reauthorized.size(), 2u);
    // The unavailable screen leaves file drops to the window.
    const auto files = fileDrag({root.path() / "Pasta"});
    EXPECT_FALSE(dragAndDrop(screen, screen->rect().center(), *files));
}

TEST_F(LibraryViewTest, PlaylistsAreCreatedRenamedAndDeletedThroughTheirDialogsAndMenus)
{
    MusicLibraryView& library = makeView();
    library.newPlaylistButton()->click();
    PlaylistNameDialog* dialog = library.newPlaylistDialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Nova playlist");
    EXPECT_EQ(dialog->message(), "A playlist referencia músicas sem copiar os arquivos originais.");
    EXPECT_EQ(dialog->confirmButton()->text(), "Criar");
    EXPECT_EQ(dialog->cancelButton()->text(), "Cancelar");
    QTest::keyClicks(dialog->nameField(), "   ");
    EXPECT_EQ(library.newPlaylistName(), "   ");
    dialog->confirmButton()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(library.isCreatingPlaylist());
    EXPECT_TRUE(store.playlists().empty()) << "a blank name is refused";
    EXPECT_EQ(library.selection(), LibraryCollection::all());

    library.startCreatingPlaylist();
    EXPECT_EQ(dialog->nameField()->text(), "") << "each dialog starts empty";
    QTest::keyClicks(dialog->nameField(), "  Estudos ");
    dialog->confirmButton()->click();
    ASSERT_EQ(store.playlists().size(), 1u);
    const UUID id = store.playlists()[0].id;
    EXPECT_EQ(store.playlists()[0].name, "Estudos");
    EXPECT_EQ(library.selection(), LibraryCollection::playlist(id));
    settle();
    EXPECT_EQ(library.songPane(), SongPane::empty);
    EXPECT_EQ(library.emptyScreen()->title(), "Nenhuma música");
    EXPECT_EQ(library.emptyScreen()->systemImage(), "music.note");
    EXPECT_EQ(library.emptyScreen()->description(),
              "Arraste MIDIs para cá ou adicione músicas pelo menu contextual.");

    std::unique_ptr<QMenu> menu(library.makeCollectionMenu(LibraryCollection::playlist(id), &library));
    EXPECT_EQ(entryTitles(menu.get()), (QStringList{"Renomear", "Excluir playlist"}));
    entry(menu.get(), "Renomear")->trigger();
    PlaylistNameDialog* rename = library.renameDialog();
    ASSERT_TRUE(rename && rename->isVisible());
    EXPECT_EQ(rename->windowTitle(), "Renomear playlist");
    EXPECT_EQ(rename->message(), "");
    EXPECT_EQ(rename->nameField()->text(), "Estudos");
    EXPECT_EQ(library.playlistBeingRenamed(), id);
    EXPECT_EQ(library.renamedPlaylistName(), "Estudos");
    rename->cancelButton()->click();
    EXPECT_EQ(library.playlistBeingRenamed(), std::nullopt);
    EXPECT_EQ(store.playlists()[0].name, "Estudos");

    entry(menu.get(), "Renomear")->trigger();
    rename->nameField()->setText("Peças");
    rename->confirmButton()->click();
    EXPECT_EQ(store.playlists()[0].name, "Peças");
    EXPECT_EQ(library.playlistBeingRenamed(), std::nullopt);
    entry(menu.get(), "Renomear")->trigger();
    rename->reject(); // dismissed by the window system
    EXPECT_EQ(library.playlistBeingRenamed(), std::nullopt);

    // Deleting a playlist that is not selected still returns to all songs.
    library.setSelection(LibraryCollection::demos());
    entry(menu.get(), "Excluir playlist")->trigger();
    EXPECT_TRUE(store.playlists().empty());
    EXPECT_EQ(library.selection(), LibraryCollection::all());
}

TEST_F(LibraryViewTest, OnlySongsWithAFileArePractisedAndAnySongJoinsAPlaylistFromItsMenu)
{
    missingDemos = {"furElise"};
    MusicLibraryView& library = makeView();
    LibrarySongList* list = library.songList();
    const QModelIndex ode = library.songModel().indexOfSong("demo:odeToJoy");
    const QModelIndex elise = library.songModel().indexOfSong("demo:furElise");
    ASSERT_TRUE(ode.isValid() && elise.isValid());
    EXPECT_EQ(ode.data(LibrarySongModel::SubtitleRole).toString(), "");
    EXPECT_EQ(elise.data(LibrarySongModel::SubtitleRole).toString(), "Arquivo indisponível");

    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, elise));
    EXPECT_TRUE(practised.empty());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, ode));
    ASSERT_EQ(practised.size(), 1u);
    EXPECT_EQ(practised[0].id, "demo:odeToJoy");
    EXPECT_EQ(practised[0].fileURL, (root.path() / "demos" / "odeToJoy.mid").string());

    const QPoint odeButton = LibrarySongDelegate::playButtonRect(list->visualRect(ode)).center();
    const QPoint eliseButton = LibrarySongDelegate::playButtonRect(list->visualRect(elise)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, eliseButton);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, odeButton);
    EXPECT_EQ(practised.size(), 2u);

    const ResolvedLibrarySong odeSong = *library.songModel().song(ode);
    const ResolvedLibrarySong eliseSong = *library.songModel().song(elise);
    std::unique_ptr<QMenu> menu(library.makeSongMenu(eliseSong, &library));
    EXPECT_EQ(entryTitles(menu.get()), QStringList{"Praticar"}) << "no playlist: no submenu";
    EXPECT_FALSE(entry(menu.get(), "Praticar")->isEnabled());
    library.practice(eliseSong);
    EXPECT_EQ(practised.size(), 2u);

    const UUID second = *store.createPlaylist("B lista");
    const UUID first = *store.createPlaylist("A lista");
    menu.reset(library.makeSongMenu(odeSong, &library));
    EXPECT_EQ(entryTitles(menu.get()), (QStringList{"Praticar", "Adicionar à playlist"}));
    EXPECT_EQ(entry(menu.get(), "Praticar")->property("systemImage").toString(), "play.fill");
    entry(menu.get(), "Praticar")->trigger();
    EXPECT_EQ(practised.size(), 3u);
    QMenu* playlists = entry(menu.get(), "Adicionar à playlist")->menu();
    ASSERT_TRUE(playlists);
    EXPECT_EQ(entryTitles(playlists), (QStringList{"A lista", "B lista"}));
    entry(playlists, "A lista")->trigger();
    entry(playlists, "A lista")->trigger();
    EXPECT_EQ(playlistTitles(first), (std::vector<std::string>{"Ode à Alegria (Beethoven)",
                                                               "Ode à Alegria (Beethoven)"}));
    EXPECT_TRUE(playlistTitles(second).empty());

    // In the playlist the same song is two rows, each practised with the demo's file.
    library.setSelection(LibraryCollection::playlist(first));
    ASSERT_EQ(library.songModel().rowCount(), 2);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, library.songModel().index(1, 0)));
    ASSERT_EQ(practised.size(), 4u);
    EXPECT_EQ(practised[3].reference, LibrarySongReference::bundledDemo("odeToJoy"));
    EXPECT_EQ(practised[3].id, store.playlist(first)->entries[1].id.uuidString());
}

TEST_F(LibraryViewTest, PlaylistRowsAreDeletedAndMovedOnlyWithoutASearch)
{
    MusicLibraryView& library = makeView();
    const UUID id = *store.createPlaylist("Lista");
    for (const char* demo : {"odeToJoy", "minuetInG", "furElise"})
        store.add(LibrarySongReference::bundledDemo(demo), demo, id);
    library.setSelection(LibraryCollection::playlist(id));
    LibrarySongList* list = library.songList();
    ASSERT_EQ(library.songModel().rowCount(), 3);

    // A row dropped below the lower half of the last one goes to the end.
    const QRect second = list->visualRect(library.songModel().index(1, 0));
    EXPECT_EQ(list->dropDestination(second.center() - QPoint(0, 5)), 1);
    EXPECT_EQ(list->dropDestination(second.center() + QPoint(0, 5)), 2);
    EXPECT_EQ(list->dropDestination(QPoint(20, list->viewport()->height() - 2)), 3);

    library.moveRows({0}, 3);
    EXPECT_EQ(playlistTitles(id), (std::vector<std::string>{"minuetInG", "furElise", "odeToJoy"}));
    library.setSearchText("o");
    library.moveRows({0}, 3);
    library.deleteRows({0});
    EXPECT_EQ(playlistTitles(id), (std::vector<std::string>{"minuetInG", "furElise", "odeToJoy"}));
    EXPECT_FALSE(list->canMoveRows());
    library.setSearchText("");
    EXPECT_TRUE(list->canMoveRows());
    settle();

    // The keys delete the highlighted row, in a playlist only.
    list->setFocus();
    library.setSelectedSongID(library.songModel().song(library.songModel().index(1, 0))->id);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(playlistTitles(id), (std::vector<std::string>{"minuetInG", "odeToJoy"}));
    settle();
    library.setSelectedSongID(library.songModel().song(library.songModel().index(0, 0))->id);
    QTest::keyClick(list, Qt::Key_Backspace);
    EXPECT_EQ(playlistTitles(id), (std::vector<std::string>{"odeToJoy"}));

    library.setSelection(LibraryCollection::demos());
    library.setSelectedSongID("demo:odeToJoy");
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(library.songModel().rowCount(), 5);
    EXPECT_FALSE(list->canMoveRows());
    EXPECT_EQ(playlistTitles(id), (std::vector<std::string>{"odeToJoy"}));
}

TEST_F(LibraryViewTest, SongsDroppedOnAPlaylistRowAreAppendedInOrderAndSelectIt)
{
    MusicLibraryView& library = makeView();
    const UUID target = *store.createPlaylist("Alvo");
    const UUID other = *store.createPlaylist("Outra");
    settle();
    LibraryCollectionList* collections = library.collectionList();
    QWidget* viewport = collections->viewport();

    // A song row's own drag data, dropped on the playlist's row.
    const QModelIndex ode = library.songModel().indexOfSong("demo:odeToJoy");
    std::unique_ptr<QMimeData> payload(library.songModel().mimeData({ode}));
    ASSERT_TRUE(payload);
    EXPECT_FALSE(dragAndDrop(viewport, centreOf(collections, collectionIndex(LibraryCollection::demos())), *payload))
        << "only playlist rows take songs";
    EXPECT_TRUE(dragAndDrop(viewport, centreOf(collections, collectionIndex(LibraryCollection::playlist(target))),
                            *payload));
    EXPECT_EQ(playlistTitles(target), std::vector<std::string>{"Ode à Alegria (Beethoven)"});
    EXPECT_EQ(library.selection(), LibraryCollection::playlist(target));
    settle();

    // The playlist's own row dropped back on it: a second entry.
    std::unique_ptr<QMimeData> own(library.songModel().mimeData({library.songModel().index(0, 0)}));
    EXPECT_TRUE(dragAndDrop(viewport, centreOf(collections, collectionIndex(LibraryCollection::playlist(target))),
                            *own));
    EXPECT_EQ(playlistTitles(target).size(), 2u);

    // Three songs at once keep their order.
    const std::vector<LibraryDragPayload> three{{"um", LibrarySongReference::bundledDemo("minuetInG")},
                                                {"dois", LibrarySongReference::bundledDemo("furElise")},
                                                {"três", LibrarySongReference::bundledDemo("greensleeves")}};
    library.setSelection(LibraryCollection::all());
    EXPECT_TRUE(library.dropSongs(other, three));
    EXPECT_EQ(playlistTitles(other), (std::vector<std::string>{"um", "dois", "três"}));
    EXPECT_EQ(library.selection(), LibraryCollection::playlist(other));

    // A path that climbs out of its folder is kept but never reaches the file.
    root.file("Pasta/dentro.mid");
    root.file("segredo.mid");
    const UUID source = addFolder((root.path() / "Pasta").string());
    EXPECT_TRUE(library.dropSongs(other, {{"fuga", LibrarySongReference::sourceTrack(source, "../segredo.mid")}}));
    settle();
    ASSERT_EQ(library.filteredSongs().size(), 4u);
    EXPECT_FALSE(library.filteredSongs()[3].isAvailable());
    library.practice(library.filteredSongs()[3]);
    EXPECT_TRUE(practised.empty());

    // Unreadable data is refused; the playlist is selected all the same.
    library.setSelection(LibraryCollection::all());
    QMimeData garbage;
    garbage.setData(LibraryDragPayload::mimeType, R"({"title":"x"})");
    EXPECT_FALSE(dragAndDrop(viewport, centreOf(collections, collectionIndex(LibraryCollection::playlist(target))),
                             garbage));
    EXPECT_EQ(playlistTitles(target).size(), 2u);
    EXPECT_EQ(library.selection(), LibraryCollection::playlist(target));

    // File drags are the window's; a playlist deleted before the drop gains nothing.
    const auto files = fileDrag({root.path()});
    EXPECT_FALSE(dragAndDrop(viewport, centreOf(collections, collectionIndex(LibraryCollection::playlist(target))),
                             *files));
    store.removePlaylist(other);
    EXPECT_TRUE(library.dropSongs(other, three));
    EXPECT_EQ(store.playlist(other), std::nullopt);
    settle();
    EXPECT_EQ(library.songPane(), SongPane::empty) << "a playlist that is gone shows no songs";
    EXPECT_FALSE(collections->currentIndex().isValid());
}

TEST_F(LibraryViewTest, FilesDroppedOnTheSongPaneAddFoldersLaterAndMIDIFilesToTheSelectedPlaylist)
{
    root.file("Uma/a.mid");
    root.file("Duas/Sub/b.midi");
    const std::string midi = root.file("Avulsa.MID");
    const std::string text = root.file("notas.txt");
    MusicLibraryView& library = makeView();
    LibrarySongList* list = library.songList();

    library.setSelection(LibraryCollection::demos());
    const auto drop = fileDrag({root.path() / "Uma", root.path() / "Duas", midi});
    EXPECT_TRUE(dragAndDrop(list->viewport(), list->viewport()->rect().center(), *drop));
    EXPECT_TRUE(store.sources().empty()) << "folders are added after the drop returns";
    settle();
    ASSERT_EQ(store.sources().size(), 2u);
    EXPECT_EQ(store.sources()[0].name, "Duas");
    EXPECT_TRUE(store.playlists().empty()) << "without a playlist the MIDI file is not looked at";
    EXPECT_EQ(library.songModel().rowCount(), 5);
    library.setSelection(LibraryCollection::all());
    EXPECT_EQ(library.songModel().rowCount(), 7);

    // The same folder again renews its source.
    EXPECT_TRUE(dragAndDrop(list->viewport(), QPoint(10, 10), *fileDrag({root.path() / "Uma"})));
    settle();
    EXPECT_EQ(store.sources().size(), 2u);

    // Nothing usable: refused, nothing changes.
    const auto sources = store.sources();
    EXPECT_FALSE(dragAndDrop(list->viewport(), QPoint(10, 10), *fileDrag({text})));
    QMimeData remote;
    remote.setUrls({QUrl("https://example.com/Remota.mid")});
    EXPECT_FALSE(dragAndDrop(list->viewport(), QPoint(10, 10), remote));
    settle();
    EXPECT_EQ(store.sources(), sources);

    // A playlist with nothing in it: its empty screen takes the MIDI file.
    const UUID playlist = *store.createPlaylist("Lista");
    library.setSelection(LibraryCollection::playlist(playlist));
    ASSERT_EQ(library.songPane(), SongPane::empty);
    LibraryUnavailableContent* empty = library.emptyScreen();
    EXPECT_FALSE(dragAndDrop(empty, empty->rect().center(), *fileDrag({text})));
    EXPECT_TRUE(dragAndDrop(empty, empty->rect().center(), *fileDrag({midi})));
    ASSERT_EQ(playlistTitles(playlist), std::vector<std::string>{"Avulsa"});
    EXPECT_EQ(store.playlist(playlist)->entries[0].reference.as<LibrarySongReference::ExternalFile>()->path, midi);
    settle();
    EXPECT_EQ(library.songPane(), SongPane::list);
    EXPECT_TRUE(dragAndDrop(list->viewport(), QPoint(10, 10), *fileDrag({text, midi})));
    EXPECT_EQ(playlistTitles(playlist), (std::vector<std::string>{"Avulsa", "Avulsa"}));
    settle();
    EXPECT_EQ(store.sources(), sources);
}
