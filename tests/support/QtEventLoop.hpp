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
