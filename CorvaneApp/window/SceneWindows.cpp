#include "CorvaneApp/window/SceneWindows.hpp"

#include <QApplication>

namespace corvane {

namespace {

// Raises `window`, then its shown dialogs, each above the window it belongs
// to, and activates the modal one that holds it, if any: raising the window
// alone would put it over a dialog shown just before (as a song handed over
// by a later start shows its sheet), and without a window manager nothing
// would lift that dialog back, so the window would ignore every click.
void bringForward(QWidget& window)
{
    window.raise();
    QWidget* modal = QApplication::activeModalWidget();
    bool holdsModal = false;
    // Depth first, a dialog before the dialogs it opened.
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (!child->isWindow() || !child->isVisible() || child->windowType() == Qt::Popup ||
            child->windowType() == Qt::ToolTip)
            continue;
        child->raise();
        holdsModal = holdsModal || child == modal;
    }
    if (!holdsModal) {
        window.activateWindow();
        return;
    }
    // The modal one on top of its siblings too.
    modal->raise();
    modal->activateWindow();
}

} // namespace

SceneWindows& SceneWindows::shared()
{
    static SceneWindows instance;
    return instance;
}

void SceneWindows::declare(const QString& id, Factory factory) { scenes_[id].factory = std::move(factory); }

void SceneWindows::forget(const QString& id) { scenes_.erase(id); }

QWidget* SceneWindows::open(const QString& id)
{
    const auto found = scenes_.find(id);
    if (found == scenes_.end()) return nullptr;
    auto& scene = found->second;
    if (!scene.window) {
        if (!scene.factory) return nullptr;
        scene.window = scene.factory();
        if (!scene.window) return nullptr;
    }
    scene.window->show();
    bringForward(*scene.window);
    return scene.window;
}

QWidget* SceneWindows::window(const QString& id) const
{
    const auto found = scenes_.find(id);
    return found == scenes_.end() ? nullptr : found->second.window.data();
}

} // namespace corvane
