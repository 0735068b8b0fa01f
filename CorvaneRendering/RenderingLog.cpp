#include "CorvaneRendering/RenderingLog.hpp"

namespace corvane {

const QLoggingCategory& renderingPerformanceLog()
{
    // Info messages (the drawable size) are shown unless the user filters them.
    static const QLoggingCategory category("com.corvane.linux.RenderingPerformance", QtInfoMsg);
    return category;
}

} // namespace corvane
