#pragma once

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <thread>

// Spins the Qt event loop until `done` holds or the time is up; returns `done()`.
template <class Predicate>
bool processEventsUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void processEventsFor(std::chrono::milliseconds duration)
{
    processEventsUntil([] { return false; }, duration);
}

// What a counter gained, and over how long.
struct CountOverTime {
    unsigned long long count = 0;
    double seconds = 0;
};

// Counts for a second at least, and on until `minimum` have come (or ten
// seconds have passed). A loaded machine draws more slowly, which says
// nothing of a rate's ceiling, so tests weigh the count against the time.
template <class Counter>
CountOverTime countForASecondAndUntil(unsigned long long minimum, Counter counter)
{
    const auto start = std::chrono::steady_clock::now();
    const unsigned long long first = counter();
    processEventsFor(std::chrono::milliseconds(1000));
    processEventsUntil([&] { return counter() - first >= minimum; });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {counter() - first, elapsed.count()};
}
