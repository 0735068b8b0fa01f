#include "CorvaneApp/window/SceneWindows.hpp"

namespace corvane {

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
    scene.window->raise();
    scene.window->activateWindow();
    return scene.window;
}

QWidget* SceneWindows::window(const QString& id) const
{
    const auto found = scenes_.find(id);
    return found == scenes_.end() ? nullptr : found->second.window.data();
}

} // namespace corvane
