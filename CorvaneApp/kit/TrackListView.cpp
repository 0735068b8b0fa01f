#include "CorvaneApp/kit/TrackListView.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScrollBar>

#include <algorithm>

#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"

namespace corvane {

namespace {

constexpr int wheelStep = 20;

using Kind = TrackListModel::Kind;

// Two entries are the same thing on screen: the same track, or the same title or note.
bool sameEntry(const TrackListModel::Entry& a, const TrackListModel::Entry& b)
{
    if (a.kind != b.kind) return false;
    return a.kind == Kind::track ? a.trackIndex == b.trackIndex : a.text == b.text;
}

} // namespace

TrackListView::TrackListView(QWidget* parent) : QAbstractScrollArea(parent)
{
    installAccessibility();
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The panel behind the list shows through.
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(wheelStep);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { followFocus(now); });
}

TrackListView::~TrackListView()
{
    for (const auto& connection : modelConnections_) disconnect(connection);
}

void TrackListView::setModel(TrackListModel* model)
{
    for (const auto& connection : modelConnections_) disconnect(connection);
    modelConnections_.clear();
    model_ = model;
    if (model_) {
        modelConnections_ = {
            connect(model_, &QAbstractItemModel::modelReset, this, &TrackListView::reset),
            connect(model_, &QAbstractItemModel::layoutChanged, this, &TrackListView::reset),
            connect(model_, &QAbstractItemModel::rowsInserted, this, &TrackListView::reset),
            connect(model_, &QAbstractItemModel::rowsRemoved, this, &TrackListView::reset),
            connect(model_, &QAbstractItemModel::dataChanged, this, &TrackListView::dataChanged),
        };
    }
    reset();
}

void TrackListView::setPadding(const QMargins& padding)
{
    padding_ = padding;
    reset();
}

void TrackListView::setSpacing(int spacing, int titleSpacing)
{
    spacing_ = spacing;
    titleSpacing_ = titleSpacing;
    reset();
}

int TrackListView::contentHeight() const { return contentHeight_; }

int TrackListView::entryTop(int row) const
{
    return row >= 0 && row < int(tops_.size()) ? tops_[std::size_t(row)] : contentHeight_;
}

QSize TrackListView::sizeHint() const
{
    return {QAbstractScrollArea::sizeHint().width(), std::min(contentHeight_, QWIDGETSIZE_MAX)};
}

TrackListView::Pool TrackListView::poolOf(Kind kind)
{
    switch (kind) {
    case Kind::track: break;
    case Kind::title: return titlePool;
    case Kind::note: return notePool;
    }
    return rowPool;
}

QWidget* TrackListView::makeWidget(Pool pool)
{
    QWidget* widget = nullptr;
    if (pool == rowPool) {
        // The row reports to whichever entry it is bound to when clicked;
        // a row bound to none reports nothing.
        const std::size_t slot = pools_[rowPool].size();
        const auto boundRow = [this, slot] { return pools_[rowPool][slot].row; };
        widget = new TrackRowView(
            [this, boundRow](PracticeTrackHand hand) {
                if (const int row = boundRow(); model_ && row >= 0) model_->setHand(row, hand);
            },
            [this, boundRow](bool muted) {
                if (const int row = boundRow(); model_ && row >= 0) model_->setMuted(row, muted);
            },
            viewport());
    } else if (pool == titlePool) {
        widget = new StudioSectionLabel(QString(), viewport());
    } else {
        widget = studioTextLabel(QString(), studioCaption(), StudioAppearance::tertiaryText(), viewport());
    }
    widget->hide();
    pools_[pool].push_back(Bound{widget, -1, {}, true});
    return widget;
}

int TrackListView::entryHeight(Kind kind)
{
    const Pool pool = poolOf(kind);
    if (kindHeights_[pool] < 0) {
        QWidget* sample = pools_[pool].empty() ? makeWidget(pool) : pools_[pool].front().widget;
        kindHeights_[pool] = sample->sizeHint().height();
    }
    return kindHeights_[pool];
}

// Where each entry goes: one pass over the kinds, no text made.
void TrackListView::measureEntries()
{
    const int count = model_ ? model_->rowCount() : 0;
    tops_.clear();
    tops_.reserve(std::size_t(count));
    int y = padding_.top();
    for (int row = 0; row < count; ++row) {
        const Kind kind = model_->kind(row);
        if (row > 0) y += kind == Kind::title ? titleSpacing_ : spacing_;
        tops_.push_back(y);
        y += entryHeight(kind);
    }
    contentHeight_ = y + padding_.bottom();
}

void TrackListView::reset()
{
    const int before = contentHeight_;
    measureEntries();
    for (auto& pool : pools_)
        for (Bound& slot : pool) slot.stale = true;
    updateScrollRange();
    layOutEntries();
    rowsChanged(this);
    if (contentHeight_ != before) {
        updateGeometry();
        emit contentHeightChanged();
    }
}

void TrackListView::dataChanged(const QModelIndex& first, const QModelIndex& last)
{
    for (auto& pool : pools_)
        for (Bound& slot : pool)
            if (slot.row >= first.row() && slot.row <= last.row()) slot.stale = true;
    layOutEntries();
}

void TrackListView::updateScrollRange()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, contentHeight_ - viewport()->height()));
}

int TrackListView::entryAt(int y) const
{
    const auto after = std::upper_bound(tops_.begin(), tops_.end(), y);
    return std::max(0, int(after - tops_.begin()) - 1);
}

TrackListView::Bound* TrackListView::boundTo(const QWidget* widget)
{
    for (auto& pool : pools_)
        for (Bound& slot : pool)
            if (slot.row >= 0 && (slot.widget == widget || slot.widget->isAncestorOf(widget))) return &slot;
    return nullptr;
}

const TrackListView::Bound* TrackListView::boundTo(const QWidget* widget) const
{
    return const_cast<TrackListView*>(this)->boundTo(widget);
}

void TrackListView::bind(Bound& slot, int row, const TrackListModel::Entry& entry)
{
    const bool changed = slot.stale || slot.row != row || !(slot.entry == entry);
    slot.row = row;
    slot.stale = false;
    if (!changed && slot.widget->isVisible()) return;
    slot.entry = entry;
    switch (entry.kind) {
    case Kind::track:
        static_cast<TrackRowView*>(slot.widget)->setValues(entry.text, entry.subtitle, entry.hand, entry.isMuted);
        break;
    case Kind::title: static_cast<StudioSectionLabel*>(slot.widget)->setTitle(entry.text); break;
    case Kind::note: static_cast<QLabel*>(slot.widget)->setText(entry.text); break;
    }
}

void TrackListView::layOutEntries()
{
    if (layingOut_) return;
    layingOut_ = true;
    // A model gone (deleted before the view) leaves nothing to show.
    const int count = model_ ? int(tops_.size()) : 0;
    const int scroll = verticalScrollBar()->value();
    const int height = viewport()->height();

    // The entries in view, with one row's reach more on each side.
    std::vector<int> wanted;
    if (count > 0) {
        const int reach = entryHeight(Kind::track) + spacing_;
        for (int row = entryAt(scroll - reach), last = entryAt(scroll + height + reach); row <= last; ++row)
            wanted.push_back(row);
    }
    std::vector<TrackListModel::Entry> entries;
    entries.reserve(wanted.size());
    for (const int row : wanted) entries.push_back(model_->entry(row));

    // First each widget that shows one of these entries keeps it; then the
    // rest take free widgets of their kind.
    std::vector<Bound*> owners(wanted.size(), nullptr);
    std::vector<Bound*> kept;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        for (Bound& slot : pools_[poolOf(entries[i].kind)]) {
            if (slot.row < 0 || !sameEntry(slot.entry, entries[i]) ||
                std::find(kept.begin(), kept.end(), &slot) != kept.end())
                continue;
            owners[i] = &slot;
            kept.push_back(&slot);
            break;
        }
    }
    // The row holding the focus stays with its track, in view or not.
    QWidget* focus = QApplication::focusWidget();
    Bound* focused = focus && viewport()->isAncestorOf(focus) ? boundTo(focus) : nullptr;
    if (focused && std::find(kept.begin(), kept.end(), focused) == kept.end()) {
        const int row =
            model_ && focused->entry.kind == Kind::track ? model_->rowOfTrack(focused->entry.trackIndex) : -1;
        if (row >= 0) {
            bind(*focused, row, model_->entry(row));
            kept.push_back(focused);
        } else {
            // Its track is gone: the focus goes back to the list, not to another track's row.
            setFocus(Qt::OtherFocusReason);
        }
    }
    for (auto& pool : pools_)
        for (Bound& slot : pool)
            if (std::find(kept.begin(), kept.end(), &slot) == kept.end()) {
                slot.row = -1;
                slot.widget->hide();
            }
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (owners[i]) continue;
        const Pool pool = poolOf(entries[i].kind);
        auto free = std::find_if(pools_[pool].begin(), pools_[pool].end(), [&](const Bound& slot) {
            return slot.row < 0 && std::find(kept.begin(), kept.end(), &slot) == kept.end();
        });
        if (free == pools_[pool].end()) {
            makeWidget(pool);
            free = pools_[pool].end() - 1;
        }
        owners[i] = &*free;
        owners[i]->stale = true;
        kept.push_back(owners[i]);
    }

    const int width = viewport()->width() - padding_.left() - padding_.right();
    for (std::size_t i = 0; i < wanted.size(); ++i) bind(*owners[i], wanted[i], entries[i]);
    for (Bound* slot : kept) {
        const int row = slot->row;
        slot->widget->setGeometry(padding_.left(), tops_[std::size_t(row)] - scroll, width,
                                  entryHeight(slot->entry.kind));
        slot->widget->show();
    }
    chainFocus();
    layingOut_ = false;
}

// Tab goes down the rows in their order on screen, whichever widgets they got.
void TrackListView::chainFocus()
{
    auto rows = madeRows();
    if (rows == chainedRows_) return;
    QWidget* previous = this;
    for (TrackRowView* row : rows) previous = row->chainFocusAfter(previous);
    chainedRows_ = std::move(rows);
}

void TrackListView::followFocus(QWidget* now)
{
    if (!now || !viewport()->isAncestorOf(now)) return;
    if (const Bound* slot = boundTo(now)) scrollToEntry(slot->row);
}

void TrackListView::scrollToEntry(int row)
{
    if (!model_ || row < 0 || row >= int(tops_.size())) return;
    QScrollBar* bar = verticalScrollBar();
    const int top = tops_[std::size_t(row)];
    const int bottom = top + entryHeight(model_->kind(row));
    if (top < bar->value()) bar->setValue(top);
    else if (bottom > bar->value() + viewport()->height()) bar->setValue(bottom - viewport()->height());
}

std::vector<TrackRowView*> TrackListView::madeRows() const
{
    std::vector<const Bound*> bound;
    for (const Bound& slot : pools_[rowPool])
        if (slot.row >= 0) bound.push_back(&slot);
    std::sort(bound.begin(), bound.end(), [](const Bound* a, const Bound* b) { return a->row < b->row; });
    std::vector<TrackRowView*> rows;
    for (const Bound* slot : bound) rows.push_back(static_cast<TrackRowView*>(slot->widget));
    return rows;
}

TrackRowView* TrackListView::madeRow(std::int64_t trackIndex) const
{
    for (const Bound& slot : pools_[rowPool])
        if (slot.row >= 0 && slot.entry.trackIndex == trackIndex) return static_cast<TrackRowView*>(slot.widget);
    return nullptr;
}

QWidget* TrackListView::madeEntry(int row) const
{
    for (const auto& pool : pools_)
        for (const Bound& slot : pool)
            if (slot.row >= 0 && slot.row == row) return slot.widget;
    return nullptr;
}

int TrackListView::rowOf(const QWidget* widget) const
{
    const Bound* slot = boundTo(widget);
    return slot ? slot->row : -1;
}

int TrackListView::accessibleRowCount() const { return model_ ? int(tops_.size()) : 0; }

// As the widget made for the entry would be named: a row by its track's
// name and note count, a title or a note by its text.
StudioLazyList::AccessibleRow TrackListView::accessibleRow(int row) const
{
    if (row < 0 || row >= accessibleRowCount()) return {};
    const TrackListModel::Entry entry = model_->entry(row);
    switch (entry.kind) {
    case Kind::track: break;
    case Kind::title: return {QAccessible::Heading, entry.text, {}, {}};
    case Kind::note: return {QAccessible::StaticText, entry.text, {}, {}};
    }
    return {QAccessible::ListItem, TrackRowView::oneLine(entry.text), TrackRowView::oneLine(entry.subtitle),
            TrackRowView::chipActions(entry.isMuted)};
}

QRect TrackListView::accessibleRowRect(int row) const
{
    if (row < 0 || row >= accessibleRowCount()) return {};
    const int height = kindHeights_[poolOf(model_->kind(row))];
    const QRect inViewport(padding_.left(), tops_[std::size_t(row)] - verticalScrollBar()->value(),
                           viewport()->width() - padding_.left() - padding_.right(), std::max(0, height));
    return inViewport.translated(viewport()->pos());
}

QWidget* TrackListView::revealRow(int row)
{
    scrollToEntry(row);
    return madeEntry(row);
}

QAbstractButton* TrackListView::rowControl(QWidget* rowWidget, const QString& action) const
{
    const Bound* slot = boundTo(rowWidget);
    if (!slot || slot->widget != rowWidget || slot->entry.kind != Kind::track) return nullptr;
    return static_cast<TrackRowView*>(rowWidget)->chipFor(action);
}

void TrackListView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    layOutEntries();
}

void TrackListView::scrollContentsBy(int, int) { layOutEntries(); }

} // namespace corvane
