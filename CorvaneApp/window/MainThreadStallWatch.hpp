#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

namespace corvane {

// Measures how long the main thread goes without a turn of its event loop,
// with a heartbeat of a millisecond, for the start-up log: made first thing
// when that log is on, it logs the steady-clock time of its first beat (the
// reader counts the time before it from the process's start) and, once the
// watch is over, the longest gap between two beats.
class MainThreadStallWatch : public QObject {
    Q_OBJECT
public:
    explicit MainThreadStallWatch(QObject* parent = nullptr);

    // Ends the watch `seconds` from now; the gap that spans its end counts whole.
    void stopAfter(double seconds);

private:
    using Clock = std::chrono::steady_clock;
    void beat();

    QTimer heartbeat_;
    bool hasBeaten_ = false;
    Clock::time_point lastBeat_;
    Clock::duration longestGap_{};
    bool hasEnd_ = false;
    Clock::time_point end_;
};

} // namespace corvane
