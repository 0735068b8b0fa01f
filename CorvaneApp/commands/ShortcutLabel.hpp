#pragma once

#include <QKeySequence>
#include <QString>

namespace corvane {

// How a shortcut is written in menus and help texts, the same in every
// locale: "Ctrl+Alt+I", "Alt+←", "Ctrl+Return".
QString shortcutLabel(const QKeySequence& shortcut);

} // namespace corvane
