#include "CorvaneRendering/StageOnScreen.hpp"

#include <QWidget>
#include <QWindow>

namespace corvane {

bool isStageOnScreen(const QWidget& view)
{
    if (!view.isVisible()) return false;
    const QWidget* top = view.window();
    if (top->isMinimized()) return false;
    // A window the window manager unmapped (minimised, on another desktop) is not exposed.
    const QWindow* handle = top->windowHandle();
    return !handle || handle->isExposed();
}

} // namespace corvane
