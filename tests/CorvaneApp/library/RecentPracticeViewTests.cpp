#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest/QTest>

#include <cmath>
#include <limits>
#include <vector>

#include "CorvaneApp/library/LibraryContentScreens.hpp"
#include "CorvaneApp/library/RecentPracticeRows.hpp"
#include "CorvaneApp/library/RecentPracticeView.hpp"
#include "RecentPracticeTestSupport.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using recent_records::localDate;
using recent_records::session;
using recent_records::song;

namespace {

struct RecentHarness {
    std::vector<RecentPracticeSong> continued;
    std::vector<PracticeHistoryEntry> sessions;
    std::vector<RecentPracticeSong> resets;
    RecentPracticeView view{{[this](const RecentPracticeSong& s) { continued.push_back(s); },
                             [this](const PracticeHistoryEntry& e) { sessions.push_back(e); },
                             [this](const RecentPracticeSong& s) { resets.push_back(s); }}};

    RecentHarness() { view.resize(984, 762); }
};

QAction* entry(QMenu* menu, const QString& text)
{
    for (auto action : menu->actions())
        if (action->text() == text) return action;
    return nullptr;
}

bool click(QMessageBox* box, const QString& text)
{
    for (auto button : box->buttons())
        if (button->text() == text) {
            button->click();
            return true;
        }
    return false;
}

} // namespace

TEST(RecentPracticeView, ShowsBothListsWholeAndInOrderOrOnlyTheEmptyState)
{
    RecentHarness h;
    h.view.show();
    // Without recent songs the history is not consulted.
    h.view.setContents({{}, {session("Sozinha")}});
    ASSERT_TRUE(h.view.isShowingEmptyState());
    EXPECT_EQ(h.view.emptyState()->systemImage(), "clock");
    EXPECT_EQ(h.view.emptyState()->title(), "Nenhuma prática registrada");
    EXPECT_EQ(h.view.emptyState()->description(), "As músicas e sessões praticadas aparecerão aqui.");

    const Date started = localDate(2025, 12, 9, 14, 5);
    h.view.setContents({{song("Minueto", 7325, 1), song("Gymnopédie", 59.9, 40)},
                        {session("Minueto", PracticeMetrics::unnormalized(3600, 6, 3, 1, 0, 2), started),
                         session("Gymnopédie"), session("Minueto")}});
    EXPECT_FALSE(h.view.isShowingEmptyState());
    ASSERT_EQ(h.view.songRows().size(), 2u);
    ASSERT_EQ(h.view.historyRows().size(), 3u);

    const RecentSongRow* first = h.view.songRows()[0];
    EXPECT_EQ(first->systemImage(), "music.note");
    EXPECT_EQ(first->trailingSystemImage(), "play.fill");
    EXPECT_EQ(first->titleText(), "Minueto");
    EXPECT_EQ(first->captionText(), "agora");
    EXPECT_EQ(first->readoutText(), "2h 2min");
    EXPECT_EQ(first->detailText(), "1 notas");
    EXPECT_EQ(h.view.songRows()[1]->readoutText(), "<1 min");

    const PracticeHistoryRow* past = h.view.historyRows()[0];
    EXPECT_EQ(past->systemImage(), "calendar");
    EXPECT_EQ(past->trailingSystemImage(), "");
    EXPECT_EQ(past->titleText(), "Minueto");
    EXPECT_EQ(past->captionText(), "9 de dez., 14:05");
    EXPECT_EQ(past->readoutText(), "1h 0min");
    EXPECT_EQ(past->timingSummary(), "3 no tempo · 1 antes · 0 depois · 2 incorretas");
    EXPECT_EQ(past->detailText(), past->timingSummary());
    EXPECT_EQ(h.view.historyRows()[1]->titleText(), "Gymnopédie");

    // Clicks continue the row's song or session, once each.
    QTest::mouseClick(h.view.songRows()[1], Qt::LeftButton);
    ASSERT_EQ(h.continued.size(), 1u);
    EXPECT_EQ(h.continued[0], h.view.recentSongs()[1]);
    QTest::mouseClick(h.view.historyRows()[2], Qt::LeftButton);
    ASSERT_EQ(h.sessions.size(), 1u);
    EXPECT_EQ(h.sessions[0], h.view.history()[2]);

    // Records that were never cleaned, and a title far longer than the row.
    h.view.setContents({{song(std::string(500, 'M'), std::numeric_limits<double>::infinity(), -7, Date{std::nan("")})},
                        {session("Ruim", PracticeMetrics::unnormalized(-30, -1, -2, -3, -4, -5), Date{1e300})}});
    const RecentSongRow* bad = h.view.songRows()[0];
    EXPECT_EQ(bad->readoutText(), "<1 min");
    EXPECT_EQ(bad->detailText(), "0 notas");
    EXPECT_EQ(bad->captionText(), "");
    EXPECT_EQ(h.view.historyRows()[0]->timingSummary(), "0 no tempo · 0 antes · 0 depois · 0 incorretas");
    EXPECT_EQ(h.view.historyRows()[0]->captionText(), "");
    EXPECT_FALSE(h.view.grab().isNull());
    EXPECT_LE(bad->width(), h.view.width());
    EXPECT_EQ(h.view.scrollArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(RecentPracticeView, ResettingAsksFirstAndResetsTheSongItNamed)
{
    RecentHarness h;
    h.view.show();
    h.view.setContents({{song("Minueto"), song("Gymnopédie")}, {session("Minueto")}});

    // The song's menu; a session has none.
    std::unique_ptr<QMenu> menu(h.view.makeSongMenu(h.view.recentSongs()[0], &h.view));
    QAction* proceed = entry(menu.get(), "Continuar prática");
    QAction* zero = entry(menu.get(), "Zerar desempenho");
    ASSERT_TRUE(proceed && zero);
    EXPECT_EQ(proceed->property("systemImage").toString(), "play.fill");
    EXPECT_EQ(zero->property("systemImage").toString(), "arrow.counterclockwise");
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    QContextMenuEvent onSession(QContextMenuEvent::Mouse, QPoint(10, 10), h.view.historyRows()[0]->mapToGlobal(QPoint(10, 10)));
    const auto menusBefore = h.view.findChildren<QMenu*>().size();
    QApplication::sendEvent(h.view.historyRows()[0], &onSession);
    EXPECT_EQ(h.view.findChildren<QMenu*>().size(), menusBefore);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    proceed->trigger();
    ASSERT_EQ(h.continued.size(), 1u);
    EXPECT_EQ(h.continued[0].title, "Minueto");

    // "Cancelar" clears the pending song and resets nothing.
    zero->trigger();
    ASSERT_EQ(h.view.songPendingReset(), h.view.recentSongs()[0]);
    QMessageBox* alert = h.view.resetAlert();
    ASSERT_TRUE(alert && alert->isVisible());
    EXPECT_EQ(alert->text(), "Zerar desempenho de Minueto?");
    EXPECT_EQ(alert->informativeText(), "As sessões, o histórico e o desempenho dos trechos desta música voltam a zero. "
                                        "Os trechos salvos permanecem.");
    // Qt orders the buttons by role for the platform; the roles are what count.
    ASSERT_EQ(alert->buttons().size(), 2);
    for (auto button : alert->buttons())
        EXPECT_EQ(alert->buttonRole(button),
                  button->text() == "Zerar" ? QMessageBox::DestructiveRole : QMessageBox::RejectRole);
    EXPECT_EQ(alert->escapeButton()->text(), "Cancelar");
    ASSERT_TRUE(click(alert, "Cancelar"));
    EXPECT_EQ(h.view.songPendingReset(), std::nullopt);
    EXPECT_TRUE(h.resets.empty());

    // The menu and the alert hold their song: the list may change under them.
    const RecentPracticeSong named = h.view.recentSongs()[0];
    h.view.setContents({{song("Outra")}, {}});
    zero->trigger();
    EXPECT_EQ(h.view.resetAlert()->text(), "Zerar desempenho de Minueto?");
    h.view.setContents({});
    ASSERT_TRUE(click(h.view.resetAlert(), "Zerar"));
    ASSERT_EQ(h.resets.size(), 1u);
    EXPECT_EQ(h.resets[0], named);
    EXPECT_EQ(h.view.songPendingReset(), std::nullopt);

    // Any other dismissal (Escape) only clears it.
    h.view.requestReset(song("Gymnopédie"));
    ASSERT_TRUE(h.view.resetAlert()->isVisible());
    QTest::keyClick(h.view.resetAlert(), Qt::Key_Escape);
    EXPECT_EQ(h.view.songPendingReset(), std::nullopt);
    EXPECT_EQ(h.resets.size(), 1u);
}

TEST(RecentPracticeView, ReadsOncePerTurnWhileShownAndChangesOnlyTheRowsThatDiffer)
{
    RecentHarness h;
    RecentPracticeContents stored;
    for (int i = 0; i < 200; ++i) {
        stored.recentSongs.push_back(song("Peça " + std::to_string(i)));
        stored.history.push_back(session("Peça " + std::to_string(i)));
    }
    h.view.setSource([&] { return stored; });
    EXPECT_EQ(h.view.sourceReadCount(), 0) << "hidden: nothing is read";

    h.view.show();
    EXPECT_EQ(h.view.sourceReadCount(), 1);
    EXPECT_EQ(h.view.songRows().size(), 200u);
    EXPECT_EQ(h.view.historyRows().size(), 200u);
    EXPECT_EQ(h.view.rowChangeCount(), 400);
    const RecentSongRow* keptRow = h.view.songRows()[0];

    QScrollBar* scroll = h.view.scrollArea()->verticalScrollBar();
    processEventsFor(std::chrono::milliseconds(20));
    ASSERT_GT(scroll->maximum(), 2000);
    scroll->setValue(1500);

    // A graded note moves the revision many times a turn; one read follows.
    stored.history[120].metrics = PracticeMetrics::unnormalized(61, 1, 1, 0, 0, 0);
    for (int i = 0; i < 30; ++i) h.view.sourceChanged();
    EXPECT_EQ(h.view.sourceReadCount(), 1);
    processEventsUntil([&] { return h.view.sourceReadCount() == 2; }, std::chrono::seconds(1));
    processEventsFor(std::chrono::milliseconds(10));
    EXPECT_EQ(h.view.sourceReadCount(), 2);
    EXPECT_EQ(h.view.rowChangeCount(), 401);
    EXPECT_EQ(h.view.historyRows()[120]->readoutText(), "1 min");
    EXPECT_EQ(h.view.songRows()[0], keptRow);
    EXPECT_EQ(scroll->value(), 1500);

    // A move that changes nothing changes no row.
    h.view.sourceChanged();
    processEventsUntil([&] { return h.view.sourceReadCount() == 3; }, std::chrono::seconds(1));
    EXPECT_EQ(h.view.rowChangeCount(), 401);

    // Rows go and come with the lists.
    stored.history.erase(stored.history.begin() + 10, stored.history.end());
    stored.recentSongs.erase(stored.recentSongs.begin());
    h.view.sourceChanged();
    processEventsUntil([&] { return h.view.sourceReadCount() == 4; }, std::chrono::seconds(1));
    EXPECT_EQ(h.view.historyRows().size(), 10u);
    EXPECT_EQ(h.view.songRows().size(), 199u);
    EXPECT_EQ(h.view.songRows()[0]->titleText(), "Peça 1");

    // Hidden, changes wait for the next showing.
    h.view.hide();
    stored.history.clear();
    h.view.sourceChanged();
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(h.view.sourceReadCount(), 4);
    h.view.show();
    EXPECT_EQ(h.view.sourceReadCount(), 5);
    EXPECT_TRUE(h.view.historyRows().empty());
}
