#pragma once

#include <QAbstractScrollArea>
#include <QMargins>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <vector>

#include "CorvaneApp/kit/StudioLazyList.hpp"
#include "CorvaneApp/kit/TrackListModel.hpp"

class QLabel;

namespace corvane {

class StudioSectionLabel;
class TrackRowView;

// A scrolling list of a TrackListModel's entries, one under the other: a
// TrackRowView per track, a section label per title, a caption per note.
// Only the entries in view (and one more above and below, so that the Tab
// key reaches the next row) have widgets; those are kept in pools and bound
// to other entries as the list scrolls, so a list of 65,535 tracks makes a
// screenful of rows. A widget stays with its entry while the entry is in
// view, through a reset of the model too (a row whose track moves keeps its
// widget and its focus), and the entry holding the focus keeps its widget
// even out of view. A chip that takes the focus brings its row into view.
// The scroll bars are hidden; the wheel and the keys scroll. Screen readers
// see every entry, made or not (StudioLazyList).
class TrackListView : public QAbstractScrollArea, public StudioLazyList {
    Q_OBJECT
public:
    explicit TrackListView(QWidget* parent = nullptr);
    ~TrackListView() override;

    // Not owned; a model deleted first leaves the list empty.
    void setModel(TrackListModel* model);
    TrackListModel* model() const { return model_; }

    // Room around the entries, and between them: `spacing` between any two,
    // `titleSpacing` above a title that follows another entry.
    void setPadding(const QMargins& padding);
    void setSpacing(int spacing, int titleSpacing);

    // The height of every entry with the padding: the list's whole length.
    int contentHeight() const;
    // Where an entry starts, from the top of the content.
    int entryTop(int row) const;
    void scrollToEntry(int row);

    // The widgets bound now, in list order, with their entries.
    std::vector<TrackRowView*> madeRows() const;
    // The row made for a track; null when its entry is not in view or the
    // model lists no such track.
    TrackRowView* madeRow(std::int64_t trackIndex) const;
    // The widget made for a list row (a TrackRowView, StudioSectionLabel or
    // QLabel); null when it has none now.
    QWidget* madeEntry(int row) const;
    // The list row a widget of this view is bound to; -1 for none.
    int rowOf(const QWidget* widget) const;

    QSize sizeHint() const override;

    int accessibleRowCount() const override;
    AccessibleRow accessibleRow(int row) const override;
    QRect accessibleRowRect(int row) const override;
    QWidget* madeRowWidget(int row) const override { return madeEntry(row); }
    QWidget* revealRow(int row) override;
    QAbstractButton* rowControl(QWidget* rowWidget, const QString& action) const override;

signals:
    void contentHeightChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Bound {
        QWidget* widget = nullptr;
        int row = -1; // -1: free
        TrackListModel::Entry entry;
        bool stale = true; // the model's data changed since it was bound
    };
    // One pool per kind of entry.
    enum Pool { rowPool, titlePool, notePool, poolCount };

    void reset();
    void dataChanged(const QModelIndex& first, const QModelIndex& last);
    void measureEntries();
    void layOutEntries();
    void updateScrollRange();
    int entryHeight(TrackListModel::Kind kind);
    QWidget* makeWidget(Pool pool);
    Bound* boundTo(const QWidget* widget);
    const Bound* boundTo(const QWidget* widget) const;
    void bind(Bound& slot, int row, const TrackListModel::Entry& entry);
    void chainFocus();
    void followFocus(QWidget* now);
    int entryAt(int y) const;
    static Pool poolOf(TrackListModel::Kind kind);

    QPointer<TrackListModel> model_;
    std::vector<QMetaObject::Connection> modelConnections_;
    QMargins padding_;
    int spacing_ = 0;
    int titleSpacing_ = 0;
    // Where each entry starts, and the content's height past the last one.
    std::vector<int> tops_;
    int contentHeight_ = 0;
    int kindHeights_[poolCount] = {-1, -1, -1};
    // A deque, so that a widget made while laying out leaves the others where they are.
    std::deque<Bound> pools_[poolCount];
    bool layingOut_ = false;
    // The rows in the order the focus chain was last given.
    std::vector<TrackRowView*> chainedRows_;
};

} // namespace corvane
