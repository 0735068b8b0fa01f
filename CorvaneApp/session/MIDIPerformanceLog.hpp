#pragma once

#include <QLoggingCategory>

// Timing of MIDI input and song loading, for whoever watches the log.
Q_DECLARE_LOGGING_CATEGORY(midiPerformanceLog)
