#include "CorvaneApp/window/StartupLog.hpp"

#include <QElapsedTimer>

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

void markLaunch() { launchClock().start(); }

void logStartupMilestone(const char* milestone)
{
    const auto& clock = launchClock();
    qCInfo(startupLog, "%s after %.1f ms", milestone, clock.isValid() ? clock.nsecsElapsed() / 1e6 : 0.0);
}

} // namespace corvane
