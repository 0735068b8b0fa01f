#pragma once

#include <QString>

class QAction;
class QMenu;

namespace corvane {

// Adds an entry with one of the kit's symbols to a menu. Qt menus have no
// destructive role: the symbol of a destructive entry is drawn in the
// destructive colour instead. The action carries the symbol's name
// ("systemImage") and whether it is destructive ("destructive").
QAction* addStudioMenuEntry(QMenu* menu, const QString& title, const QString& systemImage, bool destructive = false);

} // namespace corvane
