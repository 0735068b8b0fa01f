#include "CorvaneApp/session/MIDIPerformanceLog.hpp"

Q_LOGGING_CATEGORY(midiPerformanceLog, "com.corvane.linux.MIDIPerformance", QtInfoMsg)
