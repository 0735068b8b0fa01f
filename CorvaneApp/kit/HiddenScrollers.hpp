#pragma once

#include <QWidget>

namespace corvane {

// An invisible helper that turns off the scroll bars of every scroll area in
// its window, the window itself included when it is one, nested ones too.
// Only the two scroll-bar policies change; the wheel and the keys still
// scroll. The pass runs one event-loop turn after the helper is made, after
// its host is shown, re-parented or laid out again, and after refresh(), so
// that what was added in the same turn is already in place. Scroll areas
// added elsewhere in the window later lose their bars at the next pass of
// any helper in it. Without a host widget there is no window and nothing
// happens.
class HiddenScrollers : public QWidget {
    Q_OBJECT
public:
    explicit HiddenScrollers(QWidget* parent = nullptr);

    // Asks for a pass one turn from now; several asks in a turn make one pass.
    void refresh();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchHost();
    void hideScrollers();

    QWidget* host_ = nullptr;
    bool scheduled_ = false;
};

// Places one HiddenScrollers in `widget` (a second call finds the first) so
// that a screen turns the bars of its window off with one call.
HiddenScrollers* hidingScrollers(QWidget* widget);

} // namespace corvane
