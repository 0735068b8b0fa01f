#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

// Adds an LV2 bundle made of `manifest` (Turtle) to the plugin search path
// of this process, so that it can describe editors for installed plugins.
// Call it before the process first looks at its plugins (from a static
// initialiser): the path is read once. The bundles live in a temporary
// folder of the process, removed when it exits.
inline bool addLV2TestBundle(const std::string& name, const std::string& manifest)
{
    static const std::filesystem::path root = [] {
        auto folder = std::filesystem::temp_directory_path() / ("brelmo-lv2-" + std::to_string(::getpid()));
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(
                std::filesystem::temp_directory_path() / ("brelmo-lv2-" + std::to_string(::getpid())), ignored);
        });
        return folder;
    }();
    const auto bundle = root / (name + ".lv2");
    std::filesystem::create_directories(bundle);
    std::ofstream(bundle / "manifest.ttl") << manifest;
    const char* current = std::getenv("LV2_PATH");
    // lilv's own default when the variable is not set.
    std::string path = current ? current : "~/.lv2:/usr/local/lib/lv2:/usr/lib/lv2";
    if (path.find(root.string()) == std::string::npos) path += ":" + root.string();
    return ::setenv("LV2_PATH", path.c_str(), 1) == 0;
}
