#include "CorvaneApp/window/MainThreadStallWatch.hpp"

#include "CorvaneApp/window/StartupLog.hpp"

#include <QByteArray>

#include <algorithm>

namespace corvane {

namespace {
double milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}
} // namespace

MainThreadStallWatch::MainThreadStallWatch(QObject* parent) : QObject(parent)
{
    heartbeat_.setTimerType(Qt::PreciseTimer);
    heartbeat_.setInterval(1);
    connect(&heartbeat_, &QTimer::timeout, this, &MainThreadStallWatch::beat);
    heartbeat_.start();
}

void MainThreadStallWatch::stopAfter(double seconds)
{
    hasEnd_ = true;
    end_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

void MainThreadStallWatch::beat()
{
    const auto now = Clock::now();
    if (!hasBeaten_) {
        hasBeaten_ = true;
        qCInfo(startupLog, "main thread's first turn at %.3f ms on the steady clock",
               milliseconds(now.time_since_epoch()));
    } else {
        const auto gap = now - lastBeat_;
        longestGap_ = std::max(longestGap_, gap);
        // Each long one is named with the milestones around it, to find what held the thread.
        if (gap >= std::chrono::milliseconds(20)) {
            const auto text = QByteArray::number(milliseconds(gap), 'f', 1);
            logStartupMilestone(("main thread held for " + text + " ms until now").constData());
        }
    }
    lastBeat_ = now;
    if (hasEnd_ && now >= end_) {
        heartbeat_.stop();
        qCInfo(startupLog, "longest gap between main-thread turns: %.1f ms", milliseconds(longestGap_));
    }
}

} // namespace corvane
