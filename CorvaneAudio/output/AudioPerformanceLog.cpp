#include "CorvaneAudio/output/AudioPerformanceLog.hpp"

namespace corvane {

const QLoggingCategory& audioPerformanceLog()
{
    static const QLoggingCategory category("com.corvane.linux.AudioPerformance", QtInfoMsg);
    return category;
}

} // namespace corvane
