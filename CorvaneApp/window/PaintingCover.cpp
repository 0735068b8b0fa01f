#include "CorvaneApp/window/PaintingCover.hpp"

#include <QChildEvent>
#include <QEvent>
#include <QPalette>

namespace corvane {

PaintingCover::PaintingCover(QWidget* part) : QWidget(part)
{
    setObjectName(QStringLiteral("paintingCover"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setGeometry(part->rect());
    raise();
    show();
    part->installEventFilter(this);
}

bool PaintingCover::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent()) {
        if (event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        else if (event->type() == QEvent::ChildAdded && static_cast<QChildEvent*>(event)->child() != this) raise();
    }
    return false;
}

} // namespace corvane
