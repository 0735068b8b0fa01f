#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QStackedWidget>
#include <QToolButton>
#include <QUrl>

#include "CorvaneApp/kit/RetroWoodColumn.hpp"
#include "CorvaneApp/library/SidebarView.hpp"
#include "CorvaneApp/window/ErrorAlert.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/OpenMIDIRequests.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/window/SidebarOverlay.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

namespace {

// Drags `files` over the view and drops them; whether the drop was taken.
bool drop(RootView& view, const std::vector<std::filesystem::path>& files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& file : files) urls.append(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    data.setUrls(urls);
    const QPoint middle = view.rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(view.isDropTargeted());
    QDropEvent dropped(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &dropped);
    EXPECT_FALSE(view.isDropTargeted());
    return dropped.isAccepted();
}

QString songTitle(PracticeSessionStore& controller)
{
    return controller.currentSong() ? QString::fromStdString(controller.currentSong()->title()) : QString();
}

} // namespace

TEST(RootView, LaysOutItsPlacesAndKeepsTheWindowState)
{
    ControllerHarness harness(false);
    RootView view(harness.controller());
    view.show();
    EXPECT_EQ(view.size(), QSize(1280, 762));
    EXPECT_EQ(view.windowTitleText(), "Brelmo");
    EXPECT_EQ(view.inspectorPlace()->width(), 258);
    const auto practice = view.destinationView(LibraryDestination::practice);
    EXPECT_EQ(practice->parentWidget()->geometry(), QRect(19, 0, 1280 - 3 * 19 - 258, 762));
    // The wooden columns, each cut from its own image, around the destinations and the inspector.
    const struct {
        const char* name;
        RetroWoodPlank plank;
        int left;
    } columns[] = {{"woodColumn1", {"wood1", 38, 2, 28}, 0},
                   {"woodColumn2", {"wood2", 53, 14, 25}, 1280 - 2 * 19 - 258},
                   {"woodColumn3", {"wood3", 39, 14, 25}, 1280 - 19}};
    for (const auto& [name, plank, left] : columns) {
        auto column = view.findChild<RetroWoodColumn*>(QString::fromLatin1(name));
        ASSERT_NE(column, nullptr) << name;
        EXPECT_EQ(column->plank(), plank) << name;
        EXPECT_EQ(column->geometry(), QRect(left, 0, 19, 762)) << name;
    }

    view.setSelection(std::nullopt);
    EXPECT_EQ(view.shownDestination(), LibraryDestination::practice);
    auto actions = view.practiceCommandActions();
    actions.showRecent();
    EXPECT_EQ(view.selection(), LibraryDestination::recent);
    EXPECT_TRUE(view.destinationView(LibraryDestination::recent)->isVisible());
    actions.showPractice();
    EXPECT_TRUE(practice->isVisible());

    // The sidebar opens from the command and closes with a click on the backdrop.
    actions.toggleInspector();
    EXPECT_TRUE(view.isSidebarPresented());
    EXPECT_TRUE(view.sidebarOverlay()->isVisible());
    QTest::mouseClick(view.sidebarOverlay(), Qt::LeftButton, {}, QPoint(600, 300));
    EXPECT_FALSE(view.isSidebarPresented());
    processEventsUntil([&] { return !view.sidebarOverlay()->isVisible(); }, std::chrono::seconds(2));
    EXPECT_FALSE(view.sidebarOverlay()->isVisible());

    // The window's sidebar button says which keys do the same.
    auto button = qobject_cast<QToolButton*>(view.makeSidebarButton(&view));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolTip(), "Mostrar ou ocultar a barra lateral (Ctrl+Alt+I)");
    EXPECT_EQ(button->property("systemImage").toString(), "sidebar.leading");
    EXPECT_FALSE(button->icon().isNull());
    button->click();
    EXPECT_TRUE(view.isSidebarPresented());
    button->click();
    EXPECT_FALSE(view.isSidebarPresented());
}

TEST(RootView, OneAlertAtATimeAndItsOKClearsOnlyWhatItShowed)
{
    ControllerHarness harness(false);
    RootView view(harness.controller());
    view.show();
    auto& controller = harness.controller();
    auto& library = view.libraryStore();

    library.setLastError("A pasta sumiu.");
    controller.setLastImportError("O arquivo sumiu.");
    QMessageBox* box = view.errorAlert().visibleBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Não foi possível abrir o MIDI");
    EXPECT_EQ(box->informativeText(), "O arquivo sumiu.");

    ASSERT_TRUE(clickButton(box, QStringLiteral("OK")));
    EXPECT_EQ(controller.lastImportError(), std::nullopt);
    EXPECT_EQ(library.lastError(), "A pasta sumiu.");
    box = view.errorAlert().visibleBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Não foi possível acessar a biblioteca");
    EXPECT_EQ(box->informativeText(), "A pasta sumiu.");

    ASSERT_TRUE(clickButton(box, QStringLiteral("OK")));
    EXPECT_EQ(library.lastError(), std::nullopt);
    EXPECT_EQ(view.errorAlert().visibleBox(), nullptr);
}

class RootViewSongs : public ::testing::Test {
protected:
    ControllerHarness harness{true};
    PracticeSessionStore& controller = harness.controller();
    FileFolder files;
};

TEST_F(RootViewSongs, DropsOpenAtOnceOrAfterTheReplacementQuestion)
{
    RootView view(controller);
    view.show();
    EXPECT_FALSE(drop(view, {files.path() / "notes.txt"}));
    EXPECT_FALSE(controller.currentSong());

    // Of several files only the last MIDI file counts; no song open: no question.
    const auto first = files.song("first.mid");
    const auto second = files.song("Second.MIDI");
    view.setSelection(LibraryDestination::recent);
    EXPECT_TRUE(drop(view, {first, files.path() / "notes.txt", second}));
    EXPECT_EQ(songTitle(controller), "Second");
    EXPECT_EQ(view.window()->windowTitle(), "Second");
    EXPECT_EQ(view.selection(), LibraryDestination::practice);

    const auto third = files.song("Third.mid");
    EXPECT_TRUE(drop(view, {third}));
    QMessageBox* question = view.replacementConfirmation();
    ASSERT_TRUE(question && question->isVisible());
    EXPECT_EQ(question->text(), "Substituir a música aberta?");
    EXPECT_EQ(question->informativeText(), "Third entra no lugar de Second. O progresso da sessão atual fica guardado.");
    ASSERT_TRUE(clickButton(question, QStringLiteral("Cancelar")));
    EXPECT_EQ(songTitle(controller), "Second");
    EXPECT_EQ(view.midiPendingReplacement(), std::nullopt);

    view.setSidebar(true);
    EXPECT_TRUE(drop(view, {third}));
    ASSERT_TRUE(clickButton(view.replacementConfirmation(), QStringLiteral("Abrir Third")));
    EXPECT_EQ(songTitle(controller), "Third");
    EXPECT_EQ(view.window()->windowTitle(), "Third");
    EXPECT_FALSE(view.isSidebarPresented());
}

TEST_F(RootViewSongs, ABadFileIsExplainedInPortugueseAndTheOpenSongStays)
{
    RootView view(controller);
    view.show();
    ASSERT_TRUE(drop(view, {files.song("Good.mid")}));
    const auto broken = files.write("Broken.mid", smf::Bytes{'M', 'T', 'h', 'd', 0, 0});
    ASSERT_TRUE(drop(view, {broken}));
    ASSERT_TRUE(clickButton(view.replacementConfirmation(), QStringLiteral("Abrir Broken")));

    QMessageBox* alert = view.errorAlert().visibleBox();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Não foi possível abrir o MIDI");
    EXPECT_TRUE(alert->informativeText().startsWith(
        "O arquivo MIDI não pôde ser preparado para reprodução.\n\nO arquivo parece danificado: "))
        << alert->informativeText().toStdString();
    EXPECT_EQ(songTitle(controller), "Good");
    EXPECT_EQ(view.window()->windowTitle(), "Good");
}

TEST_F(RootViewSongs, FilesFromTheOperatingSystemWaitForTheWindowAndFollowTheDropRules)
{
    auto& requests = OpenMIDIRequests::shared();
    requests.enqueue({files.song("Early.mid")});
    RootView view(controller);
    EXPECT_FALSE(controller.currentSong());
    view.show();
    EXPECT_EQ(songTitle(controller), "Early");
    EXPECT_TRUE(requests.pending().empty());

    requests.enqueue({files.song("Later.mid")});
    ASSERT_TRUE(view.replacementConfirmation() && view.replacementConfirmation()->isVisible());
    EXPECT_EQ(view.midiPendingReplacement(), files.path() / "Later.mid");
    ASSERT_TRUE(clickButton(view.replacementConfirmation(), QStringLiteral("Abrir Later")));
    EXPECT_EQ(songTitle(controller), "Later");
}

TEST_F(RootViewSongs, TheFileDialogOpensWithoutAskingAndForgetsItsRequest)
{
    RootView view(controller);
    view.show();
    ASSERT_TRUE(drop(view, {files.song("Open.mid")}));

    view.practiceCommandActions().openMIDI();
    QFileDialog* dialog = view.fileDialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_EQ(view.fileImportRequest(), FileImportRequest::midi());
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    dialog->reject();
    EXPECT_EQ(view.fileImportRequest(), std::nullopt);
    EXPECT_EQ(songTitle(controller), "Open");

    view.requestImport(FileImportRequest::midi());
    view.fileDialog()->selectFile(QString::fromStdString(files.song("Picked.mid").string()));
    static_cast<QDialog*>(view.fileDialog())->accept();
    EXPECT_EQ(songTitle(controller), "Picked");
    EXPECT_EQ(view.replacementConfirmation(), nullptr);

    // A completion without a request opens nothing.
    view.completeImport({files.song("Stray.mid")});
    EXPECT_EQ(songTitle(controller), "Picked");
}

// The application's window: its content comes over several turns, painted a
// part at a time, and it never changes size on the way (a new size paints
// the whole window again at once).
TEST(RootView, TheApplicationsWindowIsPutTogetherInTurnsAndKeepsItsSize)
{
    ControllerHarness harness(false);
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    processEventsFor(std::chrono::milliseconds(100));
    const QSize before = window.size();

    window.attach(harness.controller(), RootView::Assembly::inTurns);
    RootView& view = *window.rootView();
    const auto covers = [&] { return view.findChildren<QWidget*>(QStringLiteral("paintingCover")).size(); };
    const auto library = [&] { return view.findChild<QWidget*>(QStringLiteral("libraryHeader")); };
    EXPECT_EQ(covers(), 5u);
    EXPECT_EQ(library(), nullptr);

    ASSERT_TRUE(processEventsUntil([&] { return covers() == 0 && library() != nullptr; }));
    ASSERT_TRUE(processEventsUntil([&] { return view.sidebarView() != nullptr; }));
    processEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(window.size(), before);
    auto button = window.menuBar()->cornerWidget(Qt::TopLeftCorner);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->toolTip(), "Mostrar ou ocultar a barra lateral (Ctrl+Alt+I)");

    // Each part is on screen, whole, where the layout put it.
    for (QWidget* part : {view.destinationView(LibraryDestination::practice), view.inspectorPlace()}) {
        ASSERT_NE(part, nullptr);
        EXPECT_TRUE(part->isVisible());
        EXPECT_FALSE(part->visibleRegion().isEmpty());
    }
    EXPECT_EQ(view.inspectorPlace()->width(), RootView::inspectorWidth);
}

// Whatever asks for a part before its turn has it made then, once.
TEST(RootView, APartAskedForBeforeItsTurnIsMadeAtOnce)
{
    ControllerHarness harness(false);
    MainWindow window;
    window.attach(harness.controller(), RootView::Assembly::inTurns);
    RootView& view = *window.rootView();
    window.show();

    view.setSelection(LibraryDestination::library);
    QWidget* library = view.destinationView(LibraryDestination::library);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(view.findChildren<QWidget*>(QStringLiteral("libraryHeader")).size(), 1);
    view.setSidebar(true);
    ASSERT_NE(view.sidebarView(), nullptr);
    ASSERT_NE(view.inspectorPlace(), nullptr);

    ASSERT_TRUE(processEventsUntil(
        [&] { return view.findChildren<QWidget*>(QStringLiteral("paintingCover")).isEmpty(); }));
    EXPECT_EQ(view.destinationView(LibraryDestination::library), library);
    EXPECT_EQ(view.findChildren<QWidget*>(QStringLiteral("libraryHeader")).size(), 1);
    EXPECT_EQ(view.findChildren<SidebarView*>().size(), 1);
    EXPECT_TRUE(view.isSidebarPresented());
}
