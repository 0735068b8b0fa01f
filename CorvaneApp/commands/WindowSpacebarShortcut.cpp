#include "CorvaneApp/commands/WindowSpacebarShortcut.hpp"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace corvane {

WindowSpacebarShortcut::WindowSpacebarShortcut(QWidget* parent) : QWidget(parent)
{
    setFixedSize(0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // Every key event of the application passes here before its widget gets it.
    qApp->installEventFilter(this);
}

bool WindowSpacebarShortcut::isTextEntry(const QWidget* widget)
{
    if (!widget) return false;
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)) return true;
    if (auto edit = qobject_cast<const QTextEdit*>(widget)) return !edit->isReadOnly();
    if (auto edit = qobject_cast<const QPlainTextEdit*>(widget)) return !edit->isReadOnly();
    return false;
}

bool WindowSpacebarShortcut::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) return false;
    // A key reaches the platform window first and then its widget; acting on
    // the widget's delivery only handles each key once.
    auto target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != window()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // The keypad's own flag is where the key is, not a held modifier.
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    if (key->isAutoRepeat()) return false;
    // The window's own focus widget: a window that is not active (no window
    // manager, another application in front) still types into its field.
    if (isTextEntry(window()->focusWidget())) return false;
    switch (key->key()) {
    case Qt::Key_Space:
        if (action_) action_();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!returnToStartAction_) return false;
        returnToStartAction_();
        return true;
    default:
        return false;
    }
}

} // namespace corvane
