#pragma once

#include <QLoggingCategory>

namespace corvane {

// "com.corvane.linux.RenderingPerformance": the stage renderer's messages.
const QLoggingCategory& renderingPerformanceLog();

} // namespace corvane
