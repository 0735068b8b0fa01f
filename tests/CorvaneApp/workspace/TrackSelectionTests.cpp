#include "WorkspaceTestSupport.hpp"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include "CorvaneApp/TrackTestSongs.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/TrackListView.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/workspace/TrackSelectionModel.hpp"
#include "CorvaneApp/workspace/TrackSelectionSheet.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"

using namespace corvane;

namespace {

using Hand = PracticeTrackHand;

// A row on its own, with what its callbacks were called with.
struct RecordedRow {
    std::vector<Hand> hands;
    std::vector<bool> mutes;
    TrackRowView row{[this](Hand hand) { hands.push_back(hand); }, [this](bool muted) { mutes.push_back(muted); }};
};

std::vector<std::pair<Hand, bool>> settingsOf(const PracticeSessionStore& store)
{
    std::vector<std::pair<Hand, bool>> values;
    for (const auto& setting : store.trackSettings()) values.emplace_back(setting.hand, setting.isMuted);
    return values;
}

} // namespace

TEST(TrackRow, EachHandChipTogglesItsHandAndTheSpeakerFlipsTheMuteFlag)
{
    RecordedRow recorded;
    TrackRowView& row = recorded.row;
    row.resize(300, row.sizeHint().height());
    row.show();
    // The six transitions: each hand chip from each hand.
    const struct {
        Hand shown;
        bool leftChip;
        Hand reported;
    } table[] = {{Hand::automatic, true, Hand::left},  {Hand::automatic, false, Hand::right},
                 {Hand::left, true, Hand::automatic},  {Hand::left, false, Hand::right},
                 {Hand::right, true, Hand::left},      {Hand::right, false, Hand::automatic}};
    for (const auto& step : table) {
        row.setValues(QStringLiteral("Piano"), QStringLiteral("3 notas"), step.shown, false);
        EXPECT_EQ(row.leftChip().isSelected(), step.shown == Hand::left);
        EXPECT_EQ(row.rightChip().isSelected(), step.shown == Hand::right);
        recorded.hands.clear();
        QTest::mouseClick(step.leftChip ? &row.leftChip() : &row.rightChip(), Qt::LeftButton);
        EXPECT_EQ(recorded.hands, std::vector<Hand>{step.reported});
        // Only the caller's values select a chip, never the click.
        EXPECT_EQ(row.hand(), step.shown);
        EXPECT_EQ(row.leftChip().isSelected(), step.shown == Hand::left);
    }
    EXPECT_TRUE(recorded.mutes.empty());

    EXPECT_EQ(row.leftChip().text(), QStringLiteral("E"));
    EXPECT_EQ(row.rightChip().text(), QStringLiteral("D"));
    EXPECT_EQ(row.leftChip().toolTip(), QStringLiteral("Mão esquerda toca esta faixa"));
    EXPECT_EQ(row.rightChip().toolTip(), QStringLiteral("Mão direita toca esta faixa"));
    EXPECT_EQ(row.leftChip().chipHeight(), 19);

    row.setValues(QStringLiteral("Piano"), QStringLiteral("3 notas"), Hand::automatic, false);
    EXPECT_EQ(row.speakerChip().property("systemImage").toString(), QStringLiteral("speaker.wave.2.fill"));
    EXPECT_EQ(row.speakerChip().isSelected(), true);
    EXPECT_EQ(row.speakerChip().toolTip(), QStringLiteral("Tirar esta faixa do estudo"));
    EXPECT_EQ(row.labelOpacity(), 1.0);
    QTest::mouseClick(&row.speakerChip(), Qt::LeftButton);
    EXPECT_EQ(recorded.mutes, std::vector<bool>{true});
    EXPECT_FALSE(row.isMuted());

    row.setValues(QStringLiteral("Piano"), QStringLiteral("3 notas"), Hand::automatic, true);
    EXPECT_EQ(row.speakerChip().systemImage(), QStringLiteral("speaker.slash.fill"));
    EXPECT_EQ(row.speakerChip().isSelected(), false);
    EXPECT_EQ(row.speakerChip().toolTip(), QStringLiteral("Trazer esta faixa de volta ao estudo"));
    EXPECT_EQ(row.labelOpacity(), 0.5);
    recorded.mutes.clear();
    QTest::mouseClick(&row.speakerChip(), Qt::LeftButton);
    EXPECT_EQ(recorded.mutes, std::vector<bool>{false});
}

TEST(TrackRow, NamesStayOnOneLineEndInAnEllipsisAndNeverWidenTheRow)
{
    EXPECT_EQ(TrackRowView::noteCountText(1), QStringLiteral("1 notas"));
    EXPECT_EQ(TrackRowView::noteCountText(1234), QStringLiteral("1.234 notas"));
    EXPECT_EQ(TrackRowView::noteCountText(12345), QStringLiteral("12.345 notas"));

    RecordedRow recorded;
    TrackRowView& row = recorded.row;
    row.resize(300, row.sizeHint().height());
    row.show();
    const int narrow = row.minimumSizeHint().width();
    const QString bad[] = {QStringLiteral("Mão\ndireita\r\nsó\tagora\u2028fim"), QString(10000, QLatin1Char('W')),
                           QString::fromLatin1("\xC9tude \xE0 la fran\xE7" "aise")};
    for (const QString& label : bad) {
        row.setValues(label, QString(400, QLatin1Char('9')) + QStringLiteral("\nnotas"), Hand::automatic, false);
        EXPECT_EQ(row.minimumSizeHint().width(), narrow) << "a name never asks for room";
        EXPECT_EQ(row.width(), 300);
        const QString shown = row.shownLabel();
        EXPECT_FALSE(shown.contains(QLatin1Char('\n')) || shown.contains(QLatin1Char('\t')) ||
                     shown.contains(QChar(0x2028)));
        EXPECT_TRUE(row.shownSubtitle().endsWith(QChar(0x2026))) << row.shownSubtitle().toStdString();
    }
    EXPECT_TRUE(row.shownLabel().startsWith(QStringLiteral("Étude")));
    row.setValues(QString(10000, QLatin1Char('W')), QString(), Hand::automatic, false);
    EXPECT_TRUE(row.shownLabel().endsWith(QChar(0x2026)));
    EXPECT_LT(row.shownLabel().size(), 100);
    EXPECT_EQ(TrackRowView::oneLine(QStringLiteral("a\nb\tc\rd")), QStringLiteral("a b c d"));
}

class TrackSelectionSheetTest : public ::testing::Test {
protected:
    PracticeSessionStore& c() { return harness.controller(); }

    // Piano direita (3 notes), an unnamed track of 12,345, Baixo (1), Voz (2):
    // tracks 1 to 4, no stored settings, so the sheet comes up.
    std::filesystem::path fourTracks()
    {
        return folder.write("quarteto.mid", trackSong({{"Piano direita", 3}, {"", 12345}, {"Baixo", 1}, {"Voz", 2}}));
    }
    void open(const std::filesystem::path& song)
    {
        c().loadMIDI(song);
        ASSERT_EQ(c().lastImportError(), std::nullopt);
    }
    TrackSelectionSheet& sheet()
    {
        EXPECT_NE(root.trackSelectionSheet(), nullptr);
        return *root.trackSelectionSheet();
    }
    QStringList labels()
    {
        QStringList shown;
        for (const auto& row : sheet().rows()) shown << row.view->label();
        return shown;
    }

    ControllerHarness harness{true};
    TestFolder folder{"brelmo-track-sheet"};
    RootView root{harness.controller()};
};

TEST_F(TrackSelectionSheetTest, ListsEveryTrackWithNotesUnderItsFixedHeader)
{
    root.show();
    open(fourTracks());
    ASSERT_TRUE(c().isTrackSelectionPresented());
    TrackSelectionSheet& s = sheet();
    ASSERT_TRUE(s.isVisible());
    EXPECT_TRUE(s.isModal());
    EXPECT_EQ(s.windowModality(), Qt::WindowModal);
    EXPECT_EQ(s.size(), QSize(420, 480));
    EXPECT_EQ(s.minimumSize(), s.maximumSize());
    EXPECT_EQ(s.titleLabel().text(), QStringLiteral("Escolha as faixas"));
    EXPECT_EQ(s.messageLabel().text(), QStringLiteral("Desligue o que não faz parte do seu estudo e diga qual faixa é "
                                                      "de cada mão. Dá para mudar depois, na aba Prática."));
    EXPECT_TRUE(s.messageLabel().wordWrap());
    EXPECT_GE(s.messageLabel().height(), s.messageLabel().heightForWidth(s.messageLabel().width()));

    EXPECT_EQ(labels(), (QStringList{"Piano direita", "Track 2", "Baixo", "Voz"}));
    QStringList subtitles;
    std::vector<std::int64_t> indices;
    for (const auto& row : s.rows()) {
        subtitles << row.view->subtitle();
        indices.push_back(row.trackIndex);
        EXPECT_EQ(row.view->hand(), Hand::automatic);
        EXPECT_FALSE(row.view->isMuted());
    }
    EXPECT_EQ(subtitles, (QStringList{"3 notas", "12.345 notas", "1 notas", "2 notas"}));
    EXPECT_EQ(indices, (std::vector<std::int64_t>{1, 2, 3, 4}));
    // Rows fill the list's width inside its padding, in order from the top.
    processEventsFor(std::chrono::milliseconds(20));
    TrackRowView* first = s.row(1);
    EXPECT_EQ(first->width(), 420 - 40);
    EXPECT_EQ(first->mapTo(s.list().viewport(), QPoint()).y(), 16);
    EXPECT_EQ(s.row(2)->y() - first->y() - first->height(), 10);
    EXPECT_EQ(s.row(0), nullptr);
    EXPECT_EQ(s.findChildren<QPushButton*>(), QList<QPushButton*>{&s.startButton()}) << "chips are never push buttons";
    EXPECT_TRUE(s.startButton().isDefault());
    EXPECT_EQ(s.startButton().text(), QStringLiteral("Começar"));
}

TEST_F(TrackSelectionSheetTest, EveryControlGoesToTheControllerAndTheFooterFollows)
{
    root.show();
    open(fourTracks());
    TrackSelectionSheet& s = sheet();
    const auto footerShows = [&] {
        return std::pair(s.onlyAssignedButton().isVisible(), s.allOnButton().isVisible());
    };
    EXPECT_EQ(footerShows(), std::pair(true, true));
    EXPECT_EQ(s.onlyAssignedButton().text(), QStringLiteral("Só as atribuídas"));
    EXPECT_EQ(s.onlyAssignedButton().toolTip(), QStringLiteral("Cala todas as faixas que não são esquerda nem direita"));
    EXPECT_EQ(s.onlyAssignedButton().isSelected(), std::nullopt);
    EXPECT_EQ(s.onlyAssignedButton().chipHeight(), 20);
    EXPECT_EQ(s.allOnButton().text(), QStringLiteral("Ligar todas"));
    EXPECT_TRUE(s.allOnButton().toolTip().isEmpty());
    EXPECT_EQ(s.allOnButton().isSelected(), std::nullopt);

    QTest::mouseClick(&s.row(1)->rightChip(), Qt::LeftButton);
    QTest::mouseClick(&s.row(3)->leftChip(), Qt::LeftButton);
    EXPECT_EQ(settingsOf(c()), (std::vector<std::pair<Hand, bool>>{
                                   {Hand::right, false}, {Hand::automatic, false}, {Hand::left, false}, {Hand::automatic, false}}));
    EXPECT_TRUE(s.row(1)->rightChip().isSelected().value());
    // The right hand passes to track 4 alone.
    QTest::mouseClick(&s.row(4)->rightChip(), Qt::LeftButton);
    EXPECT_EQ(c().trackSetting(1).hand, Hand::automatic);
    EXPECT_FALSE(s.row(1)->rightChip().isSelected().value());
    EXPECT_EQ(c().trackSetting(4).hand, Hand::right);

    QTest::mouseClick(&s.row(2)->speakerChip(), Qt::LeftButton);
    EXPECT_TRUE(c().trackSetting(2).isMuted);
    EXPECT_EQ(s.row(2)->labelOpacity(), 0.5);
    EXPECT_EQ(s.row(2)->speakerChip().systemImage(), QStringLiteral("speaker.slash.fill"));
    for (const auto& note : c().audibleTimelineNotes()) ASSERT_NE(note.trackIndex, 2);

    QTest::mouseClick(&s.onlyAssignedButton(), Qt::LeftButton);
    EXPECT_EQ(settingsOf(c()), (std::vector<std::pair<Hand, bool>>{
                                   {Hand::automatic, true}, {Hand::automatic, true}, {Hand::left, false}, {Hand::right, false}}));
    EXPECT_TRUE(s.row(1)->isMuted());

    QTest::mouseClick(&s.allOnButton(), Qt::LeftButton);
    for (const auto& setting : c().trackSettings()) EXPECT_FALSE(setting.isMuted);
    EXPECT_EQ(s.row(1)->speakerChip().systemImage(), QStringLiteral("speaker.wave.2.fill"));

    // With four tracks and two hands some track always lacks one. A sheet
    // over a song whose tracks all have a hand shows the footer without the button.
    TrackSelectionSheet lone(c());
    lone.show();
    open(folder.write("duo.mid", trackSong({{"A", 1}, {"B", 1}})));
    EXPECT_FALSE(c().isTrackSelectionPresented());
    EXPECT_TRUE(lone.onlyAssignedButton().isVisible());
    QTest::mouseClick(&lone.row(1)->leftChip(), Qt::LeftButton);
    EXPECT_TRUE(lone.onlyAssignedButton().isVisible());
    QTest::mouseClick(&lone.row(2)->rightChip(), Qt::LeftButton);
    EXPECT_FALSE(c().hasUnassignedPlayableTracks());
    EXPECT_FALSE(lone.onlyAssignedButton().isVisible());
    EXPECT_TRUE(lone.allOnButton().isVisible());
    EXPECT_TRUE(lone.startButton().isVisible());
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(lone.allOnButton().mapTo(&lone, QPoint()).x(), 20) << "Ligar todas moves to the front";
}

TEST_F(TrackSelectionSheetTest, ReturnAnywhereStartsAndEscapeDismissesOnce)
{
    root.show();
    int dismissals = 0;
    QObject::connect(&c(), &PracticeSessionStore::isTrackSelectionPresentedChanged, [&] {
        if (!c().isTrackSelectionPresented()) ++dismissals;
    });
    open(fourTracks());
    TrackSelectionSheet& s = sheet();
    ASSERT_TRUE(s.isVisible());
    EXPECT_FALSE(c().isPlaying());
    // Return on a chip with the focus: the sheet closes, the chip does nothing.
    StudioChipButton& chip = s.row(1)->leftChip();
    s.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    chip.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(chip.hasFocus());
    const auto before = c().trackSettings();
    QTest::keyClick(&chip, Qt::Key_Return);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(dismissals, 1);
    EXPECT_FALSE(c().isTrackSelectionPresented());
    EXPECT_EQ(c().trackSettings(), before);
    EXPECT_TRUE(c().isPlaying()) << "a song opened afresh plays after the sheet";
    c().togglePlayback();

    // Keypad Enter does the same.
    open(fourTracks());
    ASSERT_TRUE(s.isVisible());
    s.row(2)->speakerChip().setFocus(Qt::TabFocusReason);
    QTest::keyClick(&s.row(2)->speakerChip(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(dismissals, 2);
    EXPECT_FALSE(c().trackSetting(2).isMuted);
    c().togglePlayback();

    // Escape: one dismissal, through `finished`.
    open(fourTracks());
    ASSERT_TRUE(s.isVisible());
    int finished = 0;
    QObject::connect(&s, &QDialog::finished, [&] { ++finished; });
    QTest::keyClick(&s, Qt::Key_Escape);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(dismissals, 3);
    EXPECT_TRUE(c().isPlaying());
    c().togglePlayback();

    // The window's close button: the same way out.
    open(fourTracks());
    ASSERT_TRUE(s.isVisible());
    EXPECT_TRUE(s.close());
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(dismissals, 4);
    EXPECT_TRUE(c().isPlaying());
}

TEST_F(TrackSelectionSheetTest, ARestoredSessionStaysPausedAfterStart)
{
    root.show();
    const auto song = fourTracks();
    open(song);
    ASSERT_TRUE(sheet().isVisible());
    QTest::mouseClick(&sheet().startButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_TRUE(c().isPlaying());
    c().togglePlayback();
    c().flushProgress();

    const auto session = c().progressStore().currentSession();
    ASSERT_TRUE(session);
    c().loadMIDI(song, std::nullopt, std::nullopt, session);
    ASSERT_TRUE(c().isTrackSelectionPresented());
    ASSERT_TRUE(sheet().isVisible());
    QTest::mouseClick(&sheet().startButton(), Qt::LeftButton);
    EXPECT_FALSE(c().isTrackSelectionPresented());
    EXPECT_FALSE(c().isPlaying());
}

TEST_F(TrackSelectionSheetTest, ASongOpenedUnderTheSheetBringsItsOwnRowsAndStaleRowsChangeNothing)
{
    root.show();
    open(fourTracks());
    TrackSelectionSheet& s = sheet();
    QPointer<TrackRowView> stale = s.row(4);
    QPointer<TrackRowView> kept = s.row(1);
    ASSERT_TRUE(stale && kept);

    open(folder.write("trio.mid", trackSong({{"Flauta", 5}, {"Oboé", 6}, {"", 7}})));
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(labels(), (QStringList{"Flauta", "Oboé", "Track 3"}));
    EXPECT_EQ(s.row(1)->subtitle(), QStringLiteral("5 notas"));
    EXPECT_EQ(s.row(4), nullptr);
    // The row of a track the new song lacks is gone from the list; clicked
    // all the same, it reports to no track.
    ASSERT_TRUE(stale);
    EXPECT_FALSE(stale->isVisible());
    EXPECT_EQ(s.list().rowOf(stale), -1);
    const auto before = c().trackSettings();
    stale->leftChip().click();
    stale->speakerChip().click();
    EXPECT_EQ(c().trackSettings(), before);
    EXPECT_EQ(s.row(1), kept.data()) << "a track both songs have keeps its row";

    // A song of two tracks clears the flag: the window hides the sheet.
    open(folder.write("duo.mid", trackSong({{"A", 1}, {"B", 1}})));
    EXPECT_FALSE(c().isTrackSelectionPresented());
    EXPECT_FALSE(s.isVisible());
}

TEST_F(TrackSelectionSheetTest, TheSheetClosingInsideARowsCallbackIsSafe)
{
    root.show();
    open(fourTracks());
    TrackSelectionSheet& s = sheet();
    const auto duo = folder.write("duo.mid", trackSong({{"A", 1}, {"B", 1}}));
    // While the click is handled the controller opens a song of two tracks:
    // the sheet closes and drops rows in the middle of the row's callback.
    bool once = true;
    QObject::connect(&c(), &PracticeSessionStore::trackSettingsChanged, [&] {
        if (std::exchange(once, false)) c().loadMIDI(duo);
    });
    QPointer<TrackRowView> clicked = s.row(3);
    QTest::mouseClick(&clicked->speakerChip(), Qt::LeftButton);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.rows().size(), 2u);
    EXPECT_EQ(s.row(3), nullptr);
    EXPECT_TRUE(!clicked || s.list().rowOf(clicked) == -1);

    // A sheet deleted from a row's callback takes the row with it; nothing
    // after the call touches either.
    open(fourTracks());
    QPointer<TrackSelectionSheet> doomed = new TrackSelectionSheet(c());
    QObject::connect(&c(), &PracticeSessionStore::trackSettingsChanged, doomed, [&] { delete doomed.data(); });
    doomed->row(1)->rightChip().click();
    EXPECT_FALSE(doomed);
    EXPECT_EQ(c().trackSetting(1).hand, Hand::right);
}

TEST_F(TrackSelectionSheetTest, FiveHundredTracksFitTheSheetAndScrollWithoutABar)
{
    root.show();
    std::vector<TestTrack> many(500);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = {"Faixa " + std::to_string(i + 1), 1};
    many[7].name = std::string(10000, 'x');
    many[8].name = "Linha um\nlinha dois\tcom tab";
    many[9].name = "M\xfasica \xe9 vida"; // Latin-1
    open(folder.write("orquestra.mid", trackSong(many)));
    TrackSelectionSheet& s = sheet();
    ASSERT_TRUE(s.isVisible());
    EXPECT_EQ(s.model().rowCount(), 500);
    processEventsFor(std::chrono::milliseconds(50));
    EXPECT_LT(s.rows().size(), 20u) << "rows only for what is in view";
    EXPECT_EQ(s.size(), QSize(420, 480));
    EXPECT_EQ(s.startButton().mapTo(&s, QPoint()).y() + s.startButton().height() + 14, 480)
        << "the footer stays at the bottom";
    QScrollBar* bar = s.list().verticalScrollBar();
    EXPECT_EQ(s.list().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(s.list().horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_GT(bar->maximum(), 10000);
    EXPECT_EQ(s.list().viewport()->width(), 420) << "no row widens the list";
    EXPECT_EQ(s.row(8)->width(), 380);
    EXPECT_EQ(s.row(8)->label().size(), 10000);
    EXPECT_TRUE(s.row(8)->shownLabel().endsWith(QChar(0x2026)));
    EXPECT_EQ(s.row(9)->shownLabel().indexOf(QLatin1Char('\n')), -1);
    s.list().scrollToEntry(9);
    ASSERT_NE(s.row(10), nullptr);
    EXPECT_EQ(s.row(10)->label(), QStringLiteral("Música é vida"));
    s.list().verticalScrollBar()->setValue(0);

    // The wheel scrolls the list.
    QWidget* viewport = s.list().viewport();
    const QPointF at = viewport->rect().center();
    QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_GT(bar->value(), 0);
}

TEST_F(TrackSelectionSheetTest, TheMostTracksAFileHoldsMakeAScreenfulOfRowsAndEveryTrackIsReached)
{
    root.show();
    // With the conductor, 65,535 chunks: the most a file holds.
    std::vector<TestTrack> tracks(65534, TestTrack{"", 1});
    tracks.back().name = "Última";
    open(folder.write("todas.mid", trackSong(tracks)));
    TrackSelectionSheet& s = sheet();
    ASSERT_TRUE(s.isVisible());
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(s.model().rowCount(), 65534);
    EXPECT_LT(s.findChildren<TrackRowView*>().size(), 20) << "rows only for what is in view";
    // Each made row names its track to screen readers.
    ASSERT_NE(s.row(1), nullptr);
    EXPECT_EQ(s.row(1)->texts().accessibleName(), QStringLiteral("Track 1"));

    // The last track, at the end of the scroll, takes its own settings.
    QScrollBar* bar = s.list().verticalScrollBar();
    bar->setValue(bar->maximum());
    TrackRowView* last = s.row(65534);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->label(), QStringLiteral("Última"));
    EXPECT_EQ(last->texts().accessibleName(), QStringLiteral("Última"));
    QTest::mouseClick(&last->leftChip(), Qt::LeftButton);
    QTest::mouseClick(&last->speakerChip(), Qt::LeftButton);
    EXPECT_EQ(c().trackSetting(65534).hand, Hand::left);
    EXPECT_TRUE(c().trackSetting(65534).isMuted);
    EXPECT_EQ(c().trackSetting(65533).hand, Hand::automatic);
    EXPECT_FALSE(c().trackSetting(65533).isMuted);
    EXPECT_TRUE(last->leftChip().isSelected().value());
    EXPECT_EQ(last->speakerChip().systemImage(), QStringLiteral("speaker.slash.fill"));

    // Back at the top, a row made anew for track 2 shows its own settings,
    // and the keyboard walks down the rows, bringing each into view.
    bar->setValue(0);
    c().setTrackHand(Hand::right, 2);
    ASSERT_NE(s.row(2), nullptr);
    EXPECT_TRUE(s.row(2)->rightChip().isSelected().value());
    s.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    s.row(1)->leftChip().setFocus(Qt::TabFocusReason);
    std::int64_t reached = 1;
    for (int press = 0; press < 3 * 40; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        const int row = s.list().rowOf(focus);
        ASSERT_GE(row, 0) << "the focus stays among the rows";
        const std::int64_t track = s.model().entry(row).trackIndex;
        EXPECT_GE(track, reached) << "downwards, in order";
        reached = track;
        const QRect shown(focus->mapTo(s.list().viewport(), QPoint()), focus->size());
        EXPECT_TRUE(s.list().viewport()->rect().contains(shown)) << "track " << track << " in view";
    }
    EXPECT_EQ(reached, 41) << "three chips a row";
    EXPECT_GT(bar->value(), 0);
}

TEST_F(TrackSelectionSheetTest, ThreeHundredTracksAreThreeHundredAccessibleRowsNamedAsTheRows)
{
    root.show();
    std::vector<TestTrack> many(300);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = {"Faixa " + std::to_string(i + 1), int(i % 7) + 1};
    open(folder.write("trezentas.mid", trackSong(many)));
    TrackSelectionSheet& s = sheet();
    ASSERT_TRUE(s.isVisible());
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_LT(s.rows().size(), 20u) << "rows only for what is in view";

    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&s.list());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    ASSERT_EQ(list->childCount(), 300);
    int made = 0;
    for (int row = 0; row < 300; ++row) {
        const std::int64_t track = row + 1;
        QAccessibleInterface* child = list->child(row);
        ASSERT_NE(child, nullptr);
        const QString name = child->text(QAccessible::Name);
        EXPECT_EQ(child->role(), QAccessible::ListItem);
        EXPECT_EQ(name, QStringLiteral("Faixa %1").arg(track));
        EXPECT_EQ(name, QString::fromStdString(c().trackLabel(track)));
        EXPECT_EQ(child->text(QAccessible::Description), TrackRowView::noteCountText(row % 7 + 1));
        if (TrackRowView* shown = s.row(track)) {
            ++made;
            EXPECT_EQ(shown->texts().accessibleName(), name);
            EXPECT_EQ(shown->texts().accessibleDescription(), child->text(QAccessible::Description));
        }
    }
    EXPECT_GT(made, 0);

    // The last track takes a hand from its row, out of view as it was.
    ASSERT_EQ(s.row(300), nullptr);
    list->child(299)->actionInterface()->doAction(QStringLiteral("Mão direita toca esta faixa"));
    EXPECT_EQ(c().trackSetting(300).hand, Hand::right);
    EXPECT_EQ(c().trackSetting(299).hand, Hand::automatic);
    ASSERT_NE(s.row(300), nullptr);
    EXPECT_TRUE(s.row(300)->rightChip().isSelected().value());
    EXPECT_FALSE(list->child(299)->state().offscreen);
}
