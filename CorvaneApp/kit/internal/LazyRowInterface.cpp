#include "CorvaneApp/kit/internal/LazyRowInterface.hpp"

#include <QAbstractButton>
#include <QApplication>

#include "CorvaneApp/kit/StudioLazyList.hpp"

namespace corvane {

namespace {

// The widget itself when it takes the focus, else its first control that does.
QWidget* focusTarget(QWidget* made)
{
    if (made->focusPolicy() & Qt::TabFocus) return made;
    for (QWidget* child : made->findChildren<QWidget*>())
        if ((child->focusPolicy() & Qt::TabFocus) && child->isVisibleTo(made) && child->isEnabled()) return child;
    return nullptr;
}

} // namespace

LazyRowInterface::LazyRowInterface(QWidget* listWidget, StudioLazyList* list, int row)
    : listWidget_(listWidget), list_(list), row_(row)
{
}

// A row past the end of a list that shrank is gone, though its interface lives on.
bool LazyRowInterface::isValid() const { return listWidget_ && row_ < list_->accessibleRowCount(); }

QWindow* LazyRowInterface::window() const
{
    return listWidget_ ? listWidget_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* LazyRowInterface::parent() const
{
    return listWidget_ ? QAccessible::queryAccessibleInterface(listWidget_) : nullptr;
}

QWidget* LazyRowInterface::madeWidget() const { return isValid() ? list_->madeRowWidget(row_) : nullptr; }

QString LazyRowInterface::text(QAccessible::Text kind) const
{
    if (!isValid()) return {};
    switch (kind) {
    case QAccessible::Name: return list_->accessibleRow(row_).name;
    case QAccessible::Description: return list_->accessibleRow(row_).description;
    default: return {};
    }
}

QRect LazyRowInterface::rect() const
{
    if (!isValid()) return {};
    const QRect local = list_->accessibleRowRect(row_);
    return {listWidget_->mapToGlobal(local.topLeft()), local.size()};
}

QAccessible::Role LazyRowInterface::role() const
{
    return isValid() ? list_->accessibleRow(row_).role : QAccessible::NoRole;
}

QAccessible::State LazyRowInterface::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.focusable = !list_->accessibleRow(row_).actions.isEmpty();
    QWidget* focus = QApplication::focusWidget();
    QWidget* made = madeWidget();
    state.focused = focus && made && (made == focus || made->isAncestorOf(focus));
    const QRect shown = listWidget_->visibleRegion().boundingRect();
    state.offscreen = !shown.intersects(list_->accessibleRowRect(row_));
    return state;
}

void* LazyRowInterface::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

QStringList LazyRowInterface::actionNames() const
{
    if (!isValid()) return {};
    QStringList names = list_->accessibleRow(row_).actions;
    if (!names.isEmpty()) names << setFocusAction();
    return names;
}

// The row is made first: out of view it has no widget to press. The list
// may go with the press, so nothing of it is touched after.
void LazyRowInterface::doAction(const QString& name)
{
    if (!actionNames().contains(name)) return;
    QWidget* made = list_->revealRow(row_);
    if (!made) return;
    if (name == setFocusAction()) {
        if (QWidget* target = focusTarget(made)) target->setFocus(Qt::OtherFocusReason);
        return;
    }
    QAbstractButton* control = list_->rowControl(made, name);
    if (control && control->isEnabled()) control->click();
}

} // namespace corvane
