#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <QtTest/QTest>

#include <cmath>
#include <set>
#include <vector>

#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/library/SidebarRows.hpp"
#include "CorvaneApp/library/SidebarView.hpp"
#include "RecentPracticeTestSupport.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using recent_records::song;

namespace {

// The sidebar as the window holds it: its selection written back by the
// window, each call recorded.
struct SidebarHarness {
    std::vector<std::optional<LibraryDestination>> edits;
    std::vector<RecentPracticeSong> continued;
    int settingsOpened = 0;
    QWidget host;
    SidebarView* view;

    SidebarHarness()
    {
        view = new SidebarView({[this](std::optional<LibraryDestination> d) {
                                    edits.push_back(d);
                                    view->setSelection(d);
                                },
                                [this](const RecentPracticeSong& s) { continued.push_back(s); },
                                [this] { ++settingsOpened; }},
                               &host);
        host.resize(240, 700);
        view->setGeometry(0, 0, 240, 700);
        setStudioAccent(&host, QColor(40, 160, 220));
    }
};

std::vector<RecentPracticeSong> songs(int count)
{
    std::vector<RecentPracticeSong> list;
    for (int i = 0; i < count; ++i) list.push_back(song("Peça " + std::to_string(i + 1)));
    return list;
}

} // namespace

TEST(SidebarView, ShowsTheTitleTheDestinationsAndAtMostFourRecentSongs)
{
    SidebarHarness h;
    h.host.show();
    SidebarView& view = *h.view;

    EXPECT_EQ(view.titleRow()->title(), "Brelmo");
    EXPECT_EQ(view.titleRow()->systemImage(), "waveform");
    const char* titles[] = {"Prática", "Biblioteca", "Recentes"};
    const char* symbols[] = {"pianokeys", "books.vertical", "clock"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view.destinationRows()[i]->title(), QString::fromUtf8(titles[i]));
        EXPECT_EQ(view.destinationRows()[i]->systemImage(), symbols[i]);
    }

    // No songs: no section, no header.
    EXPECT_FALSE(view.recentSection()->isVisible());
    EXPECT_TRUE(view.recentRows().empty());

    view.setRecentSongs(songs(6));
    ASSERT_TRUE(view.recentSection()->isVisible());
    EXPECT_EQ(view.recentHeader()->text(), "Peças recentes");
    ASSERT_EQ(view.recentRows().size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(view.recentRows()[i]->song(), view.recentSongs()[i]);
    EXPECT_EQ(view.recentRows()[0]->dateText(), "agora");
    EXPECT_EQ(view.recentSongs().size(), 6u) << "all songs are kept; only four are shown";

    view.setRecentSongs(songs(2));
    EXPECT_EQ(view.recentRows().size(), 2u);
    view.setRecentSongs({});
    EXPECT_FALSE(view.recentSection()->isVisible());

    // The settings link, and no scroll bars anywhere.
    EXPECT_EQ(view.settingsButton()->title(), "Preferências");
    EXPECT_EQ(view.settingsButton()->systemImage(), "gearshape");
    EXPECT_EQ(view.settingsButton()->toolTip(), "Abrir Preferências (Ctrl+,)");
    EXPECT_EQ(view.settingsButton()->width(), 240);
    for (auto area : view.findChildren<QScrollArea*>()) {
        EXPECT_EQ(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }
}

TEST(SidebarView, RowsOnlyTellTheWindowAndFollowItsSelection)
{
    SidebarHarness h;
    h.host.show();
    SidebarView& view = *h.view;
    const auto& rows = view.destinationRows();

    // No selection: every destination secondary on a clear background.
    view.setSelection(std::nullopt);
    for (auto row : rows) {
        EXPECT_FALSE(row->isSelected());
        EXPECT_EQ(row->foreground(), StudioAppearance::secondaryText());
        EXPECT_EQ(row->background().alpha(), 0);
    }

    QTest::mouseClick(rows[1], Qt::LeftButton);
    ASSERT_EQ(h.edits.size(), 1u);
    EXPECT_EQ(h.edits[0], LibraryDestination::library);
    EXPECT_TRUE(rows[1]->isSelected());
    EXPECT_EQ(rows[1]->foreground(), StudioAppearance::primaryText());
    QColor wash(40, 160, 220);
    wash.setAlphaF(0.16f);
    EXPECT_EQ(rows[1]->background(), wash);
    EXPECT_FALSE(rows[0]->isSelected());
    EXPECT_FALSE(rows[2]->isSelected());
    // The accent is read at paint time: a new one shows at once.
    setStudioAccent(&h.host, QColor(200, 60, 90));
    EXPECT_EQ(rows[1]->background().rgb(), QColor(200, 60, 90).rgb());

    // The title row takes no clicks and is never selected.
    QTest::mouseClick(view.titleRow(), Qt::LeftButton);
    EXPECT_EQ(h.edits.size(), 1u);
    EXPECT_EQ(qobject_cast<SidebarPressableRow*>(static_cast<QWidget*>(view.titleRow())), nullptr);

    // A recent song: one call with that song, and no selection of its own.
    view.setRecentSongs(songs(3));
    QTest::mouseClick(view.recentRows()[1], Qt::LeftButton);
    ASSERT_EQ(h.continued.size(), 1u);
    EXPECT_EQ(h.continued[0], view.recentSongs()[1]);
    EXPECT_EQ(h.edits.size(), 1u);
    EXPECT_EQ(view.selection(), LibraryDestination::library);
    // A press that leaves the row before release is no click.
    QTest::mousePress(view.recentRows()[0], Qt::LeftButton);
    QTest::mouseRelease(view.recentRows()[0], Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(h.continued.size(), 1u);

    QTest::mouseClick(view.settingsButton(), Qt::LeftButton);
    EXPECT_EQ(h.settingsOpened, 1);
}

TEST(SidebarView, ReadsItsSourceWhenShownAndOncePerTurnWhileOpen)
{
    SidebarHarness h;
    SidebarView& view = *h.view;
    int reads = 0;
    std::vector<RecentPracticeSong> stored = songs(2);
    view.setRecentSongsSource([&] {
        ++reads;
        return stored;
    });
    // Hidden: changes wait for the opening.
    for (int i = 0; i < 5; ++i) view.recentSongsChanged();
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(reads, 0);

    h.host.show();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(view.recentRows().size(), 2u);

    stored.insert(stored.begin(), song("Nova"));
    for (int i = 0; i < 50; ++i) view.recentSongsChanged();
    EXPECT_EQ(reads, 1) << "not within the turn of the change";
    processEventsUntil([&] { return reads == 2; }, std::chrono::seconds(1));
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(reads, 2);
    ASSERT_EQ(view.recentRows().size(), 3u);
    EXPECT_EQ(view.recentRows()[0]->song().title, "Nova");

    // Bad records and long titles draw without trouble.
    stored = {song(std::string(400, 'W'), std::nan(""), -5, Date{std::nan("")})};
    view.recentSongsChanged();
    processEventsUntil([&] { return reads == 3; }, std::chrono::seconds(1));
    ASSERT_EQ(view.recentRows().size(), 1u);
    EXPECT_EQ(view.recentRows()[0]->dateText(), "");
    EXPECT_FALSE(view.grab().isNull());
    EXPECT_LE(view.recentRows()[0]->width(), 240);
}

TEST(SidebarView, TheListLiesOnThePanelColourAndTheTextureShowsBelowIt)
{
    SidebarHarness h;
    h.host.show();
    SidebarView& view = *h.view;
    const QImage picture = view.grab().toImage();
    // Below the destinations, where no row draws: the panel colour, flat.
    const QColor panel = StudioAppearance::panel();
    for (const int y : {300, 450, 600})
        for (const int x : {20, 120, 220}) EXPECT_EQ(picture.pixelColor(x, y).rgb(), panel.rgb()) << x << "," << y;
    // The settings strip keeps the textured panel.
    const QRect strip = view.settingsButton()->geometry();
    std::set<QRgb> shades;
    for (int x = strip.left() + 2; x < strip.right() - 2; x += 3) shades.insert(picture.pixel(x, strip.bottom() - 2));
    EXPECT_GT(shades.size(), 3u);
}
