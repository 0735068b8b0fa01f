#pragma once

#include <QWidget>

#include <functional>

namespace corvane {

// Space runs `action` and Return or the keypad's Enter runs
// `returnToStartAction`, for the keys of the window this widget is placed in
// only, before any widget of it sees them; not while a modifier is held, not
// for a held key's repeats, and not while a text field of the window has
// focus. Takes no room; the keys pass on untouched once it is gone.
class WindowSpacebarShortcut : public QWidget {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    explicit WindowSpacebarShortcut(QWidget* parent = nullptr);

    void setAction(Action action) { action_ = std::move(action); }
    // Absent: Return and Enter are left alone.
    void setReturnToStartAction(Action action) { returnToStartAction_ = std::move(action); }

    // Whether `widget`, when it has the focus, takes typed text.
    static bool isTextEntry(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Action action_;
    Action returnToStartAction_;
};

} // namespace corvane
