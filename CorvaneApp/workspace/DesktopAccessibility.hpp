#pragma once

namespace corvane {

// The desktop's own accessibility wishes that the practice screen follows.
// Both are off until the desktop says otherwise.
struct DesktopAccessibility {
    bool reduceMotion = false;
    bool increaseContrast = false;

    bool operator==(const DesktopAccessibility&) const = default;
};

} // namespace corvane
