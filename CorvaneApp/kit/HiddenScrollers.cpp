#include "CorvaneApp/kit/HiddenScrollers.hpp"

#include <QAbstractScrollArea>
#include <QEvent>

namespace corvane {

HiddenScrollers::HiddenScrollers(QWidget* parent) : QWidget(parent)
{
    // Takes no room, draws nothing, never takes the pointer.
    setFixedSize(0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    watchHost();
    refresh();
}

void HiddenScrollers::refresh()
{
    if (scheduled_) return;
    scheduled_ = true;
    // Queued on this object: a helper deleted before the turn runs nothing.
    QMetaObject::invokeMethod(this, &HiddenScrollers::hideScrollers, Qt::QueuedConnection);
}

// The helper itself stays hidden, so it hears of showing and layout through
// its host.
void HiddenScrollers::watchHost()
{
    QWidget* host = parentWidget();
    if (host == host_) return;
    if (host_) host_->removeEventFilter(this);
    host_ = host;
    if (host_) host_->installEventFilter(this);
}

bool HiddenScrollers::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange) {
        watchHost();
        refresh();
    }
    return QWidget::event(event);
}

bool HiddenScrollers::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == host_) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::ParentChange:
        case QEvent::LayoutRequest: refresh(); break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HiddenScrollers::hideScrollers()
{
    scheduled_ = false;
    if (!host_) return;
    QWidget* window = host_->window();
    auto areas = window->findChildren<QAbstractScrollArea*>();
    if (auto self = qobject_cast<QAbstractScrollArea*>(window)) areas.prepend(self);
    for (QAbstractScrollArea* area : areas) {
        // Dialogs and menus parented to the window are windows of their own.
        if (area->window() != window) continue;
        if (area->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
            area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (area->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
            area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
}

HiddenScrollers* hidingScrollers(QWidget* widget)
{
    if (!widget) return nullptr;
    if (auto existing = widget->findChild<HiddenScrollers*>(QString(), Qt::FindDirectChildrenOnly)) return existing;
    return new HiddenScrollers(widget);
}

} // namespace corvane
