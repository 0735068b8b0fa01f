#pragma once

#include <QLoggingCategory>

namespace corvane {

// Milestones of the start-up, with the time since `markLaunch`, at info
// level (off unless enabled, e.g. QT_LOGGING_RULES="com.corvane.linux.startup.info=true").
const QLoggingCategory& startupLog();
// The start of the clock: called first thing in main.
void markLaunch();
void logStartupMilestone(const char* milestone);

} // namespace corvane
