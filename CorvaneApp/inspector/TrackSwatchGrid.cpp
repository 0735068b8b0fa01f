#include "CorvaneApp/inspector/TrackSwatchGrid.hpp"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <optional>

#include "CorvaneApp/inspector/TrackSwatchButton.hpp"

namespace corvane {

namespace {

QString helpFor(const QString& label) { return QStringLiteral("Editar a cor de ") + label; }

} // namespace

TrackSwatchGrid::TrackSwatchGrid(QWidget* parent) : QWidget(parent)
{
    installAccessibility();
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TrackSwatchGrid::setTracks(const std::vector<std::int64_t>& trackIndices)
{
    if (trackIndices == tracks_) return;
    tracks_ = trackIndices;
    shown_ = 0; // every button is bound anew
    updateGeometry();
    place();
    rowsChanged(this);
}

void TrackSwatchGrid::setTrackLabel(std::function<QString(std::int64_t)> label)
{
    label_ = std::move(label);
    for (std::size_t i = 0; i < shown_; ++i) name(buttons_[i]);
    rowsChanged(this);
}

QString TrackSwatchGrid::labelOf(std::int64_t trackIndex) const { return label_ ? label_(trackIndex) : QString(); }

// Set only when changed: each setting tells the screen reader again.
void TrackSwatchGrid::name(TrackSwatchButton* button) const
{
    const QString label = labelOf(button->trackIndex());
    if (button->accessibleName() == label && !button->toolTip().isEmpty()) return;
    button->setToolTip(helpFor(label));
    button->setAccessibleName(label);
}

std::vector<TrackSwatchButton*> TrackSwatchGrid::swatches() const
{
    return {buttons_.begin(), buttons_.begin() + std::ptrdiff_t(shown_)};
}

int TrackSwatchGrid::columnsFor(int width) const
{
    return std::max(1, (width + spacing) / (TrackSwatchButton::side + spacing));
}

int TrackSwatchGrid::heightForWidth(int width) const
{
    const int count = int(tracks_.size());
    if (count == 0) return 0;
    const int rows = (count + columnsFor(width) - 1) / columnsFor(width);
    return rows * TrackSwatchButton::side + (rows - 1) * spacing;
}

QSize TrackSwatchGrid::sizeHint() const
{
    const int count = std::max<int>(1, int(tracks_.size()));
    const int width = count * TrackSwatchButton::side + (count - 1) * spacing;
    return QSize(width, heightForWidth(width));
}

QSize TrackSwatchGrid::minimumSizeHint() const { return QSize(TrackSwatchButton::side, 0); }

void TrackSwatchGrid::resizeEvent(QResizeEvent*) { place(); }

// The scroll area the grid is seen through may change with its parents; it
// is looked for again whenever the grid is shown or moved to another parent.
bool TrackSwatchGrid::event(QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::ParentChange) {
        followScrollArea();
        place();
    }
    return QWidget::event(event);
}

void TrackSwatchGrid::followScrollArea()
{
    QAbstractScrollArea* area = nullptr;
    for (QWidget* up = parentWidget(); up && !area; up = up->parentWidget())
        area = qobject_cast<QAbstractScrollArea*>(up);
    if (area == scrollArea_) return;
    if (scrollArea_) {
        disconnect(scrolled_);
        scrollArea_->viewport()->removeEventFilter(this);
    }
    scrollArea_ = area;
    if (!area) return;
    scrolled_ = connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, &TrackSwatchGrid::place);
    area->viewport()->installEventFilter(this);
}

bool TrackSwatchGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (scrollArea_ && watched == scrollArea_->viewport() && event->type() == QEvent::Resize) place();
    return QWidget::eventFilter(watched, event);
}

void TrackSwatchGrid::place()
{
    const int columns = columnsFor(width());
    const int step = TrackSwatchButton::side + spacing;
    // The rows in view, one more each way; none while the grid is not seen.
    const QRect seen = isVisible() ? visibleRegion().boundingRect() : QRect();
    std::size_t first = 0, count = 0;
    if (!seen.isEmpty() && !tracks_.empty()) {
        const int firstRow = std::max(0, seen.top() / step - 1);
        const int lastRow = seen.bottom() / step + 1;
        first = std::min(tracks_.size(), std::size_t(firstRow) * std::size_t(columns));
        count = std::min(tracks_.size() - first, std::size_t(lastRow - firstRow + 1) * std::size_t(columns));
    }
    const bool rebound = first != firstShown_ || count != shown_;
    // The focus stays with its track, which may now have another button.
    std::optional<std::int64_t> focusedTrack;
    for (std::size_t i = 0; i < shown_; ++i)
        if (buttons_[i]->hasFocus()) focusedTrack = buttons_[i]->trackIndex();
    while (buttons_.size() < count) {
        auto button = new TrackSwatchButton(-1, this);
        connect(button, &QAbstractButton::clicked, this, [this, button] { emit trackChosen(button->trackIndex()); });
        buttons_.push_back(button);
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        TrackSwatchButton* button = buttons_[i];
        if (i >= count) {
            button->hide();
            continue;
        }
        const std::size_t at = first + i;
        button->setTrackIndex(tracks_[at]);
        name(button);
        button->move(int(at % std::size_t(columns)) * step, int(at / std::size_t(columns)) * step);
        button->show();
    }
    firstShown_ = first;
    shown_ = count;
    if (focusedTrack) {
        const auto kept = std::find_if(buttons_.begin(), buttons_.begin() + std::ptrdiff_t(count),
                                       [&](const TrackSwatchButton* b) { return b->trackIndex() == *focusedTrack; });
        if (kept != buttons_.begin() + std::ptrdiff_t(count)) (*kept)->setFocus(Qt::OtherFocusReason);
        else if (QWidget* focus = focusWidget()) focus->clearFocus();
    }
    if (rebound) emit swatchesPlaced();
}

StudioLazyList::AccessibleRow TrackSwatchGrid::accessibleRow(int row) const
{
    if (row < 0 || row >= accessibleRowCount()) return {};
    const QString label = labelOf(tracks_[std::size_t(row)]);
    return {QAccessible::Button, label, helpFor(label), {QAccessibleActionInterface::pressAction()}};
}

QRect TrackSwatchGrid::accessibleRowRect(int row) const
{
    if (row < 0 || row >= accessibleRowCount()) return {};
    const int columns = columnsFor(width());
    const int step = TrackSwatchButton::side + spacing;
    return {(row % columns) * step, (row / columns) * step, TrackSwatchButton::side, TrackSwatchButton::side};
}

QWidget* TrackSwatchGrid::madeRowWidget(int row) const
{
    if (row < 0 || std::size_t(row) < firstShown_ || std::size_t(row) >= firstShown_ + shown_) return nullptr;
    return buttons_[std::size_t(row) - firstShown_];
}

// The page scrolls the swatch into view, and the grid makes it as it follows.
QWidget* TrackSwatchGrid::revealRow(int row)
{
    if (row < 0 || row >= accessibleRowCount()) return nullptr;
    if (auto area = qobject_cast<QScrollArea*>(scrollArea_.data()); area && area->widget()) {
        const QPoint centre = mapTo(area->widget(), accessibleRowRect(row).center());
        area->ensureVisible(centre.x(), centre.y(), TrackSwatchButton::side, TrackSwatchButton::side);
    }
    place();
    return madeRowWidget(row);
}

QAbstractButton* TrackSwatchGrid::rowControl(QWidget* rowWidget, const QString& action) const
{
    // The grid's children are its swatches.
    if (action != QAccessibleActionInterface::pressAction() || !rowWidget || rowWidget->parentWidget() != this)
        return nullptr;
    return qobject_cast<QAbstractButton*>(rowWidget);
}

} // namespace corvane
