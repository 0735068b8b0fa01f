#include "CorvaneApp/kit/internal/LazyListInterface.hpp"

#include "CorvaneApp/kit/internal/LazyRowInterface.hpp"
#include "CorvaneApp/kit/StudioLazyList.hpp"

namespace corvane {

LazyListInterface::LazyListInterface(QWidget* widget, StudioLazyList* list)
    : QAccessibleWidget(widget, QAccessible::List), list_(list)
{
}

LazyListInterface::~LazyListInterface()
{
    for (const auto& [row, id] : rows_) QAccessible::deleteAccessibleInterface(id);
}

int LazyListInterface::childCount() const { return isValid() ? list_->accessibleRowCount() : 0; }

QAccessibleInterface* LazyListInterface::child(int index) const
{
    if (index < 0 || index >= childCount()) return nullptr;
    if (const auto known = rows_.find(index); known != rows_.end())
        return QAccessible::accessibleInterface(known->second);
    auto row = new LazyRowInterface(widget(), list_, index);
    rows_.emplace(index, QAccessible::registerAccessibleInterface(row));
    return row;
}

int LazyListInterface::indexOfChild(const QAccessibleInterface* child) const
{
    auto row = dynamic_cast<const LazyRowInterface*>(child);
    return row && row->parent() == this && row->isValid() ? row->row() : -1;
}

// A plain walk: a row's rectangle is cheap, even for the most rows a song has.
QAccessibleInterface* LazyListInterface::childAt(int x, int y) const
{
    if (!isValid()) return nullptr;
    const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
    if (!widget()->rect().contains(local)) return nullptr;
    for (int row = 0, count = childCount(); row < count; ++row)
        if (list_->accessibleRowRect(row).contains(local)) return child(row);
    return nullptr;
}

QAccessibleInterface* LazyListInterface::focusChild() const
{
    QWidget* focus = widget()->focusWidget();
    if (!focus || !widget()->isAncestorOf(focus)) return nullptr;
    for (int row = 0, count = childCount(); row < count; ++row)
        if (QWidget* made = list_->madeRowWidget(row); made && (made == focus || made->isAncestorOf(focus)))
            return child(row);
    return nullptr;
}

} // namespace corvane
