#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QtTest/QTest>

#include <algorithm>

#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/TrackListView.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;

namespace {

using Hand = PracticeTrackHand;
using Entry = TrackListModel::Entry;
using Kind = TrackListModel::Kind;

// A list held in memory that records what its rows ask for.
class ListedTracks : public TrackListModel {
public:
    std::vector<Entry> entries;
    std::vector<std::pair<int, Hand>> hands;
    std::vector<std::pair<int, bool>> mutes;

    int rowCount(const QModelIndex& = QModelIndex()) const override { return int(entries.size()); }
    Kind kind(int row) const override { return entries[std::size_t(row)].kind; }
    Entry entry(int row) const override { return entries[std::size_t(row)]; }
    int rowOfTrack(std::int64_t trackIndex) const override
    {
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
            return entry.kind == Kind::track && entry.trackIndex == trackIndex;
        });
        return found == entries.end() ? -1 : int(found - entries.begin());
    }
    void setHand(int row, Hand hand) override { hands.emplace_back(row, hand); }
    void setMuted(int row, bool muted) override { mutes.emplace_back(row, muted); }

    void replace(std::vector<Entry> now)
    {
        beginResetModel();
        entries = std::move(now);
        endResetModel();
    }
};

// A title, `count` tracks (the tenth muted, the twelfth with a line break
// in its name) and a closing note.
std::vector<Entry> titledTracks(int count)
{
    std::vector<Entry> entries{{Kind::title, QStringLiteral("Tocando"), -1, {}, Hand::automatic, false}};
    for (int i = 1; i <= count; ++i)
        entries.push_back({Kind::track, QStringLiteral("Faixa %1").arg(i), i,
                           QStringLiteral("%1 notas").arg(i), Hand::automatic, i == 10});
    entries[12].text = QStringLiteral("Linha um\nlinha dois");
    entries.push_back({Kind::note, QStringLiteral("Nenhuma faixa muda."), -1, {}, Hand::automatic, false});
    return entries;
}

QString spokenNameOf(QWidget* made)
{
    if (auto row = qobject_cast<TrackRowView*>(made)) return row->texts().accessibleName();
    if (auto label = qobject_cast<QLabel*>(made); label && label->accessibleName().isEmpty()) return label->text();
    return made->accessibleName();
}

QRect placeIn(const TrackListView& list, const QWidget* widget)
{
    return {widget->mapTo(list.viewport(), QPoint()), widget->size()};
}

bool shownIn(const TrackListView& list, const QWidget* widget)
{
    return list.viewport()->rect().contains(placeIn(list, widget));
}

class LazyListAccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tracks.replace(titledTracks(300));
        list->resize(320, 200);
        list->setModel(&tracks);
        list->setSpacing(10, 16);
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
        access = QAccessible::queryAccessibleInterface(list.get());
        ASSERT_NE(access, nullptr);
    }

    ListedTracks tracks;
    std::unique_ptr<TrackListView> list = std::make_unique<TrackListView>();
    QAccessibleInterface* access = nullptr;
};

} // namespace

TEST_F(LazyListAccessibilityTest, EveryEntryIsALastingChildNamedAndPlacedAsItsWidgetWouldBe)
{
    EXPECT_EQ(access->role(), QAccessible::List);
    ASSERT_EQ(access->childCount(), 302);
    EXPECT_LT(list->madeRows().size(), 12u) << "still a screenful of rows made";
    EXPECT_EQ(access->child(302), nullptr);
    EXPECT_EQ(access->child(-1), nullptr);

    int made = 0;
    for (int row = 0; row < 302; ++row) {
        QAccessibleInterface* child = access->child(row);
        ASSERT_NE(child, nullptr) << row;
        EXPECT_EQ(access->child(row), child) << "the same interface each time";
        EXPECT_EQ(child->parent(), access);
        EXPECT_EQ(access->indexOfChild(child), row);
        const Entry& entry = tracks.entries[std::size_t(row)];
        const QString name = child->text(QAccessible::Name);
        switch (entry.kind) {
        case Kind::title: EXPECT_EQ(child->role(), QAccessible::Heading); break;
        case Kind::note: EXPECT_EQ(child->role(), QAccessible::StaticText); break;
        case Kind::track:
            EXPECT_EQ(child->role(), QAccessible::ListItem);
            EXPECT_EQ(child->text(QAccessible::Description), entry.subtitle);
            EXPECT_EQ(name, TrackRowView::oneLine(entry.text));
            break;
        }
        if (entry.kind != Kind::track) {
            EXPECT_EQ(name, entry.text);
        }
        QWidget* widget = list->madeEntry(row);
        EXPECT_EQ(child->state().offscreen, !widget || !list->viewport()->rect().intersects(placeIn(*list, widget)))
            << row;
        if (!widget) continue;
        ++made;
        EXPECT_EQ(name, spokenNameOf(widget)) << row;
        EXPECT_EQ(child->rect(), QRect(widget->mapToGlobal(QPoint()), widget->size())) << row;
        if (shownIn(*list, widget)) {
            EXPECT_EQ(access->childAt(child->rect().center().x(), child->rect().center().y()), child) << row;
        }
    }
    EXPECT_GT(made, 2);
    EXPECT_EQ(access->child(12)->text(QAccessible::Name), QStringLiteral("Linha um linha dois"));
    EXPECT_TRUE(access->child(250)->state().offscreen);
}

TEST_F(LazyListAccessibilityTest, AnActionOnARowOutOfViewBringsItIntoViewAndPressesItsChip)
{
    QAccessibleInterface* far = access->child(250);
    ASSERT_EQ(list->madeEntry(250), nullptr);
    ASSERT_NE(far->actionInterface(), nullptr);
    const QString left = QStringLiteral("Mão esquerda toca esta faixa");
    const QString right = QStringLiteral("Mão direita toca esta faixa");
    EXPECT_EQ(far->actionInterface()->actionNames(),
              (QStringList{left, right, QStringLiteral("Tirar esta faixa do estudo"),
                           QAccessibleActionInterface::setFocusAction()}));
    EXPECT_TRUE(far->state().focusable);
    far->actionInterface()->doAction(left);
    EXPECT_EQ(tracks.hands, (std::vector<std::pair<int, Hand>>{{250, Hand::left}}));
    ASSERT_NE(list->madeEntry(250), nullptr);
    EXPECT_TRUE(shownIn(*list, list->madeEntry(250)));
    EXPECT_FALSE(far->state().offscreen);

    // The muted track's speaker brings it back; the row scrolls up to it.
    QAccessibleInterface* muted = access->child(10);
    const QString unmute = QStringLiteral("Trazer esta faixa de volta ao estudo");
    EXPECT_TRUE(muted->actionInterface()->actionNames().contains(unmute));
    muted->actionInterface()->doAction(unmute);
    EXPECT_EQ(tracks.mutes, (std::vector<std::pair<int, bool>>{{10, false}}));
    ASSERT_NE(list->madeEntry(10), nullptr);
    EXPECT_TRUE(shownIn(*list, list->madeEntry(10)));

    // A title has nothing to press, and an action it lacks does nothing.
    QAccessibleInterface* title = access->child(0);
    EXPECT_TRUE(title->actionInterface()->actionNames().isEmpty());
    EXPECT_FALSE(title->state().focusable);
    title->actionInterface()->doAction(right);
    far->actionInterface()->doAction(QStringLiteral("Inexistente"));
    EXPECT_EQ(tracks.hands.size(), 1u);
    EXPECT_EQ(tracks.mutes.size(), 1u);
}

TEST_F(LazyListAccessibilityTest, FocusGivenToARowOutOfViewLandsOnItsFirstChipAndTabKeepsTheFocusInView)
{
    list->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
    QAccessibleInterface* far = access->child(200);
    far->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    auto row = qobject_cast<TrackRowView*>(list->madeEntry(200));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), &row->leftChip());
    EXPECT_TRUE(far->state().focused);
    EXPECT_EQ(access->focusChild(), far);
    EXPECT_TRUE(tracks.hands.empty()) << "focus presses nothing";

    for (int press = 0; press < 3 * 5; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        ASSERT_GE(list->rowOf(focus), 0) << "the focus stays among the rows";
        EXPECT_TRUE(shownIn(*list, focus));
        EXPECT_EQ(access->focusChild(), access->child(list->rowOf(focus)));
    }
    EXPECT_EQ(access->focusChild(), access->child(205)) << "three chips a row";
    EXPECT_FALSE(far->state().focused);
}

TEST_F(LazyListAccessibilityTest, RowsPastTheEndOfAShrunkListAreGoneAndLeaveWithTheList)
{
    QAccessibleInterface* last = access->child(300);
    ASSERT_TRUE(last->isValid());
    const QAccessible::Id id = QAccessible::uniqueId(last);
    tracks.replace(titledTracks(20));
    EXPECT_EQ(access->childCount(), 22);
    EXPECT_EQ(access->child(300), nullptr);
    EXPECT_FALSE(last->isValid());
    EXPECT_TRUE(last->state().invalid);
    EXPECT_TRUE(last->text(QAccessible::Name).isEmpty());
    EXPECT_TRUE(last->actionInterface()->actionNames().isEmpty());
    last->actionInterface()->doAction(QStringLiteral("Mão esquerda toca esta faixa"));
    EXPECT_TRUE(tracks.hands.empty());
    EXPECT_EQ(access->child(21)->text(QAccessible::Name), QStringLiteral("Nenhuma faixa muda."));

    const QAccessible::Id kept = QAccessible::uniqueId(access->child(5));
    list.reset();
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_EQ(QAccessible::accessibleInterface(kept), nullptr);
}
