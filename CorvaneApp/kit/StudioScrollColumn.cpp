#include "CorvaneApp/kit/StudioScrollColumn.hpp"

#include <QScrollArea>
#include <QVBoxLayout>

namespace corvane {

QScrollArea* makeStudioScrollColumn(QWidget* parent, QVBoxLayout*& column)
{
    auto area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->viewport()->setAutoFillBackground(false);
    // Never a bar, even for the first frame; hidingScrollers keeps it so.
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto content = new QWidget;
    column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    area->setWidget(content);
    // After setWidget, which makes the content fill its background: filled,
    // it hid the panel behind it and covered the edge of a frame around it.
    content->setAutoFillBackground(false);
    return area;
}

} // namespace corvane
