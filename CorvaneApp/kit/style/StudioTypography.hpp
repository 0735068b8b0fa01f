#pragma once

#include <QLoggingCategory>

#include <filesystem>
#include <vector>

namespace corvane {

const QLoggingCategory& typographyLog();

// The application's own TrueType faces, registered for this process from the
// resource bundle's "Fonts" folder.
struct StudioTypography {
    // True when every font file of the bundle was registered. Registers them
    // on the first call (from the main thread, once a QGuiApplication exists)
    // and keeps the answer for the life of the process.
    static bool isAvailable();

    // The registration itself, for the given files in order: every file is
    // tried; false when the list is empty or any file failed (each failure
    // and the fallback are logged).
    static bool registerFonts(const std::vector<std::filesystem::path>& files);
};

} // namespace corvane
