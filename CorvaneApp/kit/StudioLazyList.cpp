#include "CorvaneApp/kit/StudioLazyList.hpp"

#include <QWidget>

#include "CorvaneApp/kit/internal/LazyListInterface.hpp"

namespace corvane {

namespace {

QAccessibleInterface* lazyListFactory(const QString&, QObject* object)
{
    auto widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (auto list = dynamic_cast<StudioLazyList*>(widget)) return new LazyListInterface(widget, list);
    return nullptr;
}

} // namespace

void StudioLazyList::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&lazyListFactory);
        return true;
    }();
    (void)installed;
}

// As a reset of the rows' model, one signal for the whole list: a reorder
// would be told child by child, making an interface for each of 65,535 rows.
void StudioLazyList::rowsChanged(QWidget* list)
{
    if (!QAccessible::isActive()) return;
    QAccessibleTableModelChangeEvent event(list, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&event);
}

} // namespace corvane
