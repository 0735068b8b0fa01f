#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace corvane {

// The interface's small pictograms, each known by a name ("trash", "plus",
// "play.fill", "folder.badge.plus", …) and drawn by our own code as lines and
// fills that scale with the box they are given. Widgets that show one keep its
// name in their `systemImage` property.

// Every name that can be drawn.
const QStringList& studioSymbolNames();
bool isStudioSymbol(const QString& name);

// Draws `name` centred in `box`, as large as fits, in `color`; an unknown
// name draws nothing.
void paintStudioSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& color);

// Works out every symbol's outline ahead of its first drawing (the outlines
// are merged shapes, slow to make): any thread may call it, once the
// window's first frame is up, so that the screens find them made.
void prepareStudioSymbols();

// The symbol as an icon `size` logical pixels square, for buttons and menus.
QIcon studioSymbolIcon(const QString& name, int size, const QColor& color);

} // namespace corvane
