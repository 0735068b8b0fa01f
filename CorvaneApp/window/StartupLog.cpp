#include "CorvaneApp/window/StartupLog.hpp"

#include <QElapsedTimer>

#include <chrono>

namespace corvane {

namespace {
QElapsedTimer& launchClock()
{
    static QElapsedTimer clock;
    return clock;
}
} // namespace

const QLoggingCategory& startupLog()
{
    static const QLoggingCategory category("com.corvane.linux.startup", QtWarningMsg);
    return category;
}

void markLaunch()
{
    launchClock().start();
    // On the clock other processes' traces share, to line the milestones up with them.
    qCInfo(startupLog, "main began at %.3f ms on the steady clock",
           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

void logStartupMilestone(const char* milestone)
{
    const auto& clock = launchClock();
    qCInfo(startupLog, "%s after %.1f ms", milestone, clock.isValid() ? clock.nsecsElapsed() / 1e6 : 0.0);
}

} // namespace corvane
