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

void StudioLazyList::rowsChanged(QWidget* list)
{
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(list, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
}

} // namespace corvane
