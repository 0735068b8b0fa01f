#include "CorvaneApp/commands/ShortcutLabel.hpp"

#include <QStringList>

namespace corvane {

QString shortcutLabel(const QKeySequence& shortcut)
{
    QStringList keys = shortcut.toString(QKeySequence::PortableText).split(QLatin1Char('+'));
    // The arrows read the same in every language; their names do not.
    for (QString& key : keys) {
        if (key == QLatin1String("Left")) key = QStringLiteral("←");
        else if (key == QLatin1String("Right")) key = QStringLiteral("→");
        else if (key == QLatin1String("Up")) key = QStringLiteral("↑");
        else if (key == QLatin1String("Down")) key = QStringLiteral("↓");
    }
    return keys.join(QLatin1Char('+'));
}

} // namespace corvane
