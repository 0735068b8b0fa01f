#include "CorvaneApp/window/TurnSequence.hpp"

namespace corvane {

TurnSequence::TurnSequence(std::vector<std::function<void()>> steps, QObject* parent)
    : QObject(parent), steps_(std::move(steps))
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &TurnSequence::runNext);
    timer_.start();
}

void TurnSequence::runNext()
{
    if (next_ >= steps_.size()) {
        timer_.stop();
        deleteLater();
        return;
    }
    // The step may delete the parent, and this with it: it runs last.
    const auto step = steps_[next_++];
    if (step) step();
}

} // namespace corvane
