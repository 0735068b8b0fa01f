#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

namespace corvane {

// Runs its steps in order, one on each turn of the event loop, then deletes
// itself. A timer drives it rather than posted calls: Qt delivers calls
// posted while it delivers others in the same turn, and a timer fires once
// per turn, so what one step asks for (a painting) comes before the next
// step has run for long.
class TurnSequence : public QObject {
    Q_OBJECT
public:
    TurnSequence(std::vector<std::function<void()>> steps, QObject* parent);

private:
    void runNext();

    std::vector<std::function<void()>> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
};

} // namespace corvane
