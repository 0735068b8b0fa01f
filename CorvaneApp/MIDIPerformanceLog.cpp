#include "CorvaneApp/MIDIPerformanceLog.hpp"

Q_LOGGING_CATEGORY(midiPerformanceLog, "com.corvane.linux.MIDIPerformance", QtInfoMsg)
