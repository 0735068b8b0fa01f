#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/TrackTestSongs.hpp"
#include "CorvaneApp/inspector/InspectorTrackControls.hpp"
#include "CorvaneApp/inspector/InspectorTrackModel.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/TrackListView.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;

namespace {

using Hand = PracticeTrackHand;

QStringList labelsOf(const std::vector<TrackRowView*>& rows)
{
    QStringList labels;
    for (auto row : rows) labels << row->label();
    return labels;
}

} // namespace

class InspectorTrackControlsTest : public ::testing::Test {
protected:
    PracticeSessionStore& c() { return harness.controller(); }
    void open(const std::vector<TestTrack>& tracks, const std::string& name = "faixas.mid")
    {
        c().loadMIDI(folder.write(name, trackSong(tracks)));
        ASSERT_EQ(c().lastImportError(), std::nullopt);
    }

    ControllerHarness harness{true};
    TestFolder folder{"brelmo-inspector-tracks"};
    // Placed as the practice page places it, the accessory beside the title;
    // the section owns both.
    InspectorTrackControls* placed = new InspectorTrackControls(harness.controller());
    InspectorTrackControls& controls = *placed;
    StudioSection section{QStringLiteral("Faixas"), std::nullopt, placed, placed->accessory()};
};

TEST_F(InspectorTrackControlsTest, WithoutSongOnlyTheInvitationShows)
{
    section.resize(230, 300);
    section.show();
    EXPECT_TRUE(controls.emptyText().isVisible());
    EXPECT_EQ(controls.emptyText().text(), QStringLiteral("Abra uma música para ver as faixas."));
    EXPECT_FALSE(controls.list().isVisible());
    EXPECT_FALSE(controls.onlyAssignedButton().isVisible());
    EXPECT_EQ(controls.accessory()->parentWidget(), section.header());
}

TEST_F(InspectorTrackControlsTest, GroupsFollowTheMuteFlagsAndRowsMoveRatherThanRebuild)
{
    section.resize(230, 400);
    section.show();
    open({{"Piano direita", 3}, {"", 1234}, {"Baixo", 1}});
    EXPECT_FALSE(controls.emptyText().isVisible());
    ASSERT_TRUE(controls.list().isVisible());
    EXPECT_EQ(labelsOf(controls.playingRows()), (QStringList{"PIANO DIREITA", "TRACK 2", "BAIXO"}));
    EXPECT_EQ(controls.row(2)->subtitle(), QStringLiteral("1.234 notas"));
    EXPECT_EQ(controls.row(3)->subtitle(), QStringLiteral("1 notas"));
    ASSERT_NE(controls.playingTitle(), nullptr);
    EXPECT_EQ(controls.playingTitle()->title(), QStringLiteral("Tocando"));
    EXPECT_TRUE(controls.playingTitle()->isVisible());
    EXPECT_EQ(controls.nonePlayingText(), nullptr);
    EXPECT_EQ(controls.mutedTitle(), nullptr) << "no muted track: no Mudas group";
    EXPECT_TRUE(controls.mutedRows().empty());
    EXPECT_TRUE(controls.onlyAssignedButton().isVisible());
    EXPECT_EQ(controls.onlyAssignedButton().text(), QStringLiteral("Só as atribuídas"));
    EXPECT_EQ(controls.onlyAssignedButton().toolTip(),
              QStringLiteral("Cala todas as faixas que não são esquerda nem direita"));

    TrackRowView* baixo = controls.row(3);
    QTest::mouseClick(&baixo->speakerChip(), Qt::LeftButton);
    EXPECT_TRUE(c().trackSetting(3).isMuted);
    EXPECT_EQ(controls.row(3), baixo) << "the same row, moved";
    EXPECT_EQ(labelsOf(controls.mutedRows()), QStringList{"BAIXO"});
    ASSERT_NE(controls.mutedTitle(), nullptr);
    EXPECT_TRUE(controls.mutedTitle()->isVisible());
    EXPECT_EQ(controls.mutedTitle()->title(), QStringLiteral("Mudas"));
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_GT(baixo->y(), controls.mutedTitle()->y());
    EXPECT_GT(controls.mutedTitle()->y(), controls.row(2)->y());
    // 8 between the entries of a group, 10 above the second group's title.
    EXPECT_EQ(controls.row(2)->y() - controls.row(1)->y() - controls.row(1)->height(), 8);
    EXPECT_EQ(controls.mutedTitle()->y() - controls.row(2)->y() - controls.row(2)->height(), 10);
    EXPECT_EQ(baixo->y() - controls.mutedTitle()->y() - controls.mutedTitle()->height(), 8);

    // The row's hand chips reach the controller.
    QTest::mouseClick(&controls.row(1)->rightChip(), Qt::LeftButton);
    EXPECT_EQ(c().trackSetting(1).hand, Hand::right);
    EXPECT_TRUE(controls.row(1)->rightChip().isSelected().value());

    // The shortcut: after it "Tocando" holds exactly the tracks with a hand.
    QTest::mouseClick(&controls.onlyAssignedButton(), Qt::LeftButton);
    EXPECT_EQ(labelsOf(controls.playingRows()), QStringList{"PIANO DIREITA"});
    EXPECT_EQ(labelsOf(controls.mutedRows()), (QStringList{"TRACK 2", "BAIXO"}));
    EXPECT_TRUE(controls.onlyAssignedButton().isVisible()) << "tracks 2 and 3 still lack a hand";

    // Every track muted: "Tocando" says so.
    QTest::mouseClick(&controls.row(1)->speakerChip(), Qt::LeftButton);
    EXPECT_TRUE(controls.playingRows().empty());
    ASSERT_NE(controls.nonePlayingText(), nullptr);
    EXPECT_TRUE(controls.nonePlayingText()->isVisible());
    EXPECT_EQ(controls.nonePlayingText()->text(), QStringLiteral("Nenhuma faixa tocando."));
    EXPECT_EQ(controls.mutedRows().size(), 3u);
}

TEST_F(InspectorTrackControlsTest, TheShortcutLeavesWhenEveryTrackHasAHand)
{
    section.show();
    open({{"A", 1}, {"B", 1}});
    EXPECT_TRUE(controls.onlyAssignedButton().isVisible());
    c().setTrackHand(Hand::left, 1);
    EXPECT_TRUE(controls.onlyAssignedButton().isVisible());
    c().setTrackHand(Hand::right, 2);
    EXPECT_FALSE(controls.onlyAssignedButton().isVisible());
    c().setTrackHand(Hand::automatic, 2);
    EXPECT_TRUE(controls.onlyAssignedButton().isVisible());
}

TEST_F(InspectorTrackControlsTest, ManyTracksScrollInsideTheCapAndKeepThePosition)
{
    section.resize(230, 600);
    section.show();
    open({{"Um", 1}, {"Dois", 1}});
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_LT(controls.list().height(), InspectorTrackControls::maximumListHeight);
    EXPECT_EQ(controls.list().height(), controls.list().contentHeight());

    std::vector<TestTrack> many(30, TestTrack{"Faixa", 2});
    open(many, "muitas.mid");
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(controls.list().height(), 190);
    EXPECT_EQ(controls.list().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(controls.list().verticalScrollBar()->isVisible());
    EXPECT_LT(controls.playingRows().size(), 10u) << "rows only for what is in view";
    QScrollBar* bar = controls.list().verticalScrollBar();
    ASSERT_GT(bar->maximum(), 300);
    bar->setValue(300);
    ASSERT_FALSE(controls.playingRows().empty());
    TrackRowView* shown = controls.playingRows().front();
    const int shownTrack = int(controls.model().entry(controls.list().rowOf(shown)).trackIndex);
    // Muting a track below moves its row; the list keeps where it was.
    c().setTrackMuted(true, 30);
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(bar->value(), 300);
    EXPECT_EQ(controls.row(shownTrack), shown);
    EXPECT_EQ(controls.model().muted(), std::vector<std::int64_t>{30});

    // Tracks of another song: the rows of lost tracks leave.
    bar->setValue(0);
    TrackRowView* first = controls.row(1);
    ASSERT_NE(first, nullptr);
    open({{"X", 1}, {"Y", 1}, {"Z", 1}}, "outra.mid");
    EXPECT_EQ(labelsOf(controls.playingRows()), (QStringList{"X", "Y", "Z"}));
    EXPECT_EQ(controls.row(4), nullptr);
    EXPECT_EQ(controls.row(1), first) << "track 1 keeps its row";
}

TEST_F(InspectorTrackControlsTest, TheMostTracksAFileHoldsMakeAScreenfulOfRowsAndTheLastIsReached)
{
    section.resize(230, 600);
    section.show();
    open(std::vector<TestTrack>(65534, TestTrack{"", 1}), "todas.mid");
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(controls.model().playing().size(), 65534u);
    EXPECT_LT(controls.findChildren<TrackRowView*>().size(), 12) << "rows only for what is in view";

    // The last track, muted, heads "Mudas" at the very end of the list.
    c().setTrackMuted(true, 65534);
    QScrollBar* bar = controls.list().verticalScrollBar();
    bar->setValue(bar->maximum());
    ASSERT_NE(controls.mutedTitle(), nullptr);
    ASSERT_NE(controls.row(65534), nullptr);
    EXPECT_EQ(labelsOf(controls.mutedRows()), QStringList{"TRACK 65534"});
    QTest::mouseClick(&controls.row(65534)->rightChip(), Qt::LeftButton);
    EXPECT_EQ(c().trackSetting(65534).hand, Hand::right);
    EXPECT_TRUE(c().trackSetting(65534).isMuted);
    QTest::mouseClick(&controls.row(65534)->speakerChip(), Qt::LeftButton);
    EXPECT_FALSE(c().trackSetting(65534).isMuted);
    EXPECT_TRUE(controls.model().muted().empty());
    EXPECT_EQ(controls.mutedTitle(), nullptr);
}

TEST_F(InspectorTrackControlsTest, ThreeHundredTracksAreThreeHundredAccessibleRowsUnderTheirTitles)
{
    section.resize(230, 600);
    section.show();
    std::vector<TestTrack> many(300);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = {"Faixa " + std::to_string(i + 1), 1};
    open(many, "trezentas.mid");
    c().setTrackMuted(true, 300);
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_LT(controls.findChildren<TrackRowView*>().size(), 12) << "rows only for what is in view";

    // "Tocando" and its 299 tracks, then "Mudas" and the muted one.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&controls.list());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->childCount(), 302);
    EXPECT_EQ(list->child(0)->role(), QAccessible::Heading);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), QStringLiteral("Tocando"));
    EXPECT_EQ(list->child(300)->role(), QAccessible::Heading);
    EXPECT_EQ(list->child(300)->text(QAccessible::Name), QStringLiteral("Mudas"));
    int tracks = 0;
    for (int row = 0; row < 302; ++row) {
        QAccessibleInterface* child = list->child(row);
        ASSERT_NE(child, nullptr);
        if (child->role() != QAccessible::ListItem) continue;
        const std::int64_t track = row < 300 ? row : 300;
        ++tracks;
        EXPECT_EQ(child->text(QAccessible::Name), QStringLiteral("FAIXA %1").arg(track));
        EXPECT_EQ(child->text(QAccessible::Description), QStringLiteral("1 notas"));
        if (TrackRowView* shown = controls.row(track)) {
            EXPECT_EQ(shown->texts().accessibleName(), child->text(QAccessible::Name));
        }
    }
    EXPECT_EQ(tracks, 300);

    // The muted track comes back from its row at the end, and "Mudas" leaves.
    list->child(301)->actionInterface()->doAction(QStringLiteral("Trazer esta faixa de volta ao estudo"));
    EXPECT_FALSE(c().trackSetting(300).isMuted);
    ASSERT_EQ(list->childCount(), 301);
    EXPECT_EQ(list->child(300)->text(QAccessible::Name), QStringLiteral("FAIXA 300"));
}
