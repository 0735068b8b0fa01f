#pragma once

#include <QImage>

#include <optional>
#include <string>

namespace corvane {

// The kit's images from the resource bundle, each decoded once per run and
// shared (a missing or broken file is remembered too). Any thread may ask:
// the window's first painting finds them decoded when `prepare` ran on a
// worker while the services were being made.
class StudioImageCache {
public:
    static std::optional<QImage> image(const std::string& name, const std::string& extension = "png");

    // Decodes every image the practice window paints first.
    static void prepare();
};

} // namespace corvane
