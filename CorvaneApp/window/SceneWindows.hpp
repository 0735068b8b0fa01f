#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>

namespace corvane {

// The application's windows by id ("main", "settings", "audio-unit-editor"),
// each a single window: opening one that is open brings it forward instead
// of making a second. Any view opens a window through here. Main thread only.
class SceneWindows : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<QWidget*()>;

    static SceneWindows& shared();

    // How the window of `id` is made when it is first opened (or again after
    // it was destroyed).
    void declare(const QString& id, Factory factory);
    // The id is no longer known (its maker is going away).
    void forget(const QString& id);
    // Shows the window of `id` (made when needed), raised with its open
    // dialogs above it, and activated (the modal dialog that holds it
    // instead, if any); null for an id never declared.
    QWidget* open(const QString& id);
    // The window of `id` while it exists.
    QWidget* window(const QString& id) const;

private:
    struct Scene {
        Factory factory;
        QPointer<QWidget> window;
    };
    std::map<QString, Scene> scenes_;
};

} // namespace corvane
