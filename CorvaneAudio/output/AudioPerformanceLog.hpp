#pragma once

#include <QLoggingCategory>

namespace corvane {

// "com.corvane.linux.AudioPerformance": how the audio thread is scheduled.
// Real-time scheduling is only a debug message; ordinary scheduling is shown.
const QLoggingCategory& audioPerformanceLog();

} // namespace corvane
