#include "CorvaneApp/kit/StudioMenuEntry.hpp"

#include <QMenu>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

namespace corvane {

QAction* addStudioMenuEntry(QMenu* menu, const QString& title, const QString& systemImage, bool destructive)
{
    constexpr int symbolSize = 16;
    const QColor& color = destructive ? StudioAppearance::destructive() : StudioAppearance::primaryText();
    QAction* action = menu->addAction(studioSymbolIcon(systemImage, symbolSize, color), title);
    action->setProperty("systemImage", systemImage);
    action->setProperty("destructive", destructive);
    return action;
}

} // namespace corvane
