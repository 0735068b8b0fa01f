// The library destination inside the real root view: the window's file
// dialog and practice destination behind the screen's actions, and which
// file drops the screen takes from the window.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QPushButton>
#include <QToolButton>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/library/LibraryContentScreens.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "LibraryViewTestSupport.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;

namespace {

std::vector<std::uint8_t> shortSong()
{
    smf::Track conductor;
    conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
    smf::Track melody;
    for (std::uint8_t pitch : {60, 64, 67}) melody.noteOn(0, pitch).noteOff(480, pitch);
    melody.endOfTrack();
    return smf::file(1, 480, {conductor, melody});
}

} // namespace

TEST(MusicLibraryInTheWindow, TheScreensActionsReachTheWindowAndFileDropsGoWhereTheyBelong)
{
    ControllerHarness harness(false);
    TestFolder files("brelmo-library-window");
    const auto song = files.write("Peça.mid", shortSong());
    RootView root(harness.controller());
    root.show();
    root.setSelection(LibraryDestination::library);
    auto library = qobject_cast<MusicLibraryView*>(root.destinationView(LibraryDestination::library));
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->objectName(), "MusicLibraryView");
    EXPECT_TRUE(library->isVisible());
    EXPECT_EQ(library->size(), QSize(1280 - 3 * 19 - 258, 762));
    EXPECT_EQ(root.windowTitleText(), "Brelmo") << "the window keeps its own title";

    library->openMIDIButton()->click();
    EXPECT_EQ(root.fileImportRequest(), FileImportRequest::midi());
    ASSERT_TRUE(root.fileDialog() && root.fileDialog()->isVisible());
    root.fileDialog()->reject();
    library->addFolderButton()->click();
    EXPECT_EQ(root.fileImportRequest(), FileImportRequest::libraryFolder());
    root.fileDialog()->reject();
    EXPECT_EQ(root.fileImportRequest(), std::nullopt);

    // A source whose folder must be chosen again.
    MusicLibraryStore& store = root.libraryStore();
    const auto source = store.addFolder(files.path().string());
    ASSERT_TRUE(source);
    ASSERT_TRUE(processEventsUntil([&] { return store.scanningSourceIDs().empty(); }));
    store.removeSource(*source);
    library->setSelection(LibraryCollection::source(*source));
    library->unavailableFolderScreen()->actionButton()->click();
    EXPECT_EQ(root.fileImportRequest(), FileImportRequest::reauthorizedFolder(*source));
    root.fileDialog()->reject();

    // A file dragged over the collections is the window's: it opens the song
    // (here without a sound engine, so the controller only reports why not).
    auto& controller = harness.controller();
    library->setSelection(LibraryCollection::all());
    QCoreApplication::processEvents();
    LibraryCollectionList* collections = library->collectionList();
    EXPECT_TRUE(dragAndDrop(collections->viewport(), QPoint(40, 40), *fileDrag({song})));
    EXPECT_TRUE(controller.lastImportError());
    EXPECT_EQ(root.selection(), LibraryDestination::practice);

    // Over the song list the library takes it: a MIDI file without a
    // playlist is refused there, and the window does not open it.
    controller.setLastImportError(std::nullopt);
    root.setSelection(LibraryDestination::library);
    QCoreApplication::processEvents();
    const auto other = files.write("Outra.mid", shortSong());
    EXPECT_FALSE(dragAndDrop(library->songList()->viewport(), QPoint(40, 40), *fileDrag({other})));
    EXPECT_FALSE(root.isDropTargeted());
    EXPECT_FALSE(controller.lastImportError());
    EXPECT_EQ(root.selection(), LibraryDestination::library);

    // Practising a demo from the list hands it to the controller and shows
    // the practice destination; a song without a file does nothing.
    const auto index = library->songModel().indexOfSong("demo:minuetInG");
    ASSERT_TRUE(index.isValid());
    ASSERT_TRUE(library->songModel().song(index)->isAvailable()) << "the demo pieces are built with the program";
    library->practice(ResolvedLibrarySong{"x", "Sem arquivo", std::nullopt,
                                          LibrarySongReference::sourceTrack(*source, "x.mid"), std::nullopt});
    EXPECT_EQ(root.selection(), LibraryDestination::library);
    library->practice(*library->songModel().song(index));
    EXPECT_TRUE(controller.lastImportError());
    EXPECT_EQ(root.selection(), LibraryDestination::practice);
}
