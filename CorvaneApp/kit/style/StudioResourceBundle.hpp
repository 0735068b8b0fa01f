#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include <QImage>

namespace corvane {

// Finds the application's resource folder "Brelmo_CorvaneApp.bundle" (fonts,
// images, demo pieces) wherever the program runs from, and looks files up in it.
// A bundle here is a plain directory; its resources are the files inside it.
struct StudioResourceBundle {
    static constexpr std::string_view bundleName = "Brelmo_CorvaneApp.bundle";

    // The installation's share folder, the executable's folder and the build
    // tree, each with the bundle name appended, then the executable's folder
    // itself. Built once on first use.
    static const std::vector<std::filesystem::path>& candidates();

    // The bundles "<directory>/Brelmo_CorvaneApp.bundle" that exist, in order,
    // each once (by canonical path), followed by `mainDirectory` unconditionally.
    static std::vector<std::filesystem::path> candidates(const std::vector<std::filesystem::path>& directories,
                                                         const std::filesystem::path& mainDirectory);

    // Files ending in ".<extension>" at the top level of the first bundle that
    // has any, then those in its `subdirectory`; a file name already listed from
    // the top level is left out. Empty when no bundle has such a file.
    static std::vector<std::filesystem::path> urls(std::string_view extension,
                                                   std::optional<std::string_view> subdirectory);
    static std::vector<std::filesystem::path> urls(std::string_view extension,
                                                   std::optional<std::string_view> subdirectory,
                                                   const std::vector<std::filesystem::path>& candidates);

    // "<bundle>[/<subdirectory>]/<name>.<extension>" when it is a file.
    static std::optional<std::filesystem::path> resourceIn(const std::filesystem::path& bundle,
                                                           std::string_view name, std::string_view extension,
                                                           std::optional<std::string_view> subdirectory = std::nullopt);

    // The file at the root of the first bundle that has it.
    static std::optional<std::filesystem::path> url(std::string_view name, std::string_view extension);
    static std::optional<std::filesystem::path> url(std::string_view name, std::string_view extension,
                                                    const std::vector<std::filesystem::path>& candidates);

    // The image of the first bundle that has the file; nothing when that file
    // does not decode (later bundles are not tried) or no bundle has it.
    static std::optional<QImage> image(std::string_view name, std::string_view extension);
    static std::optional<QImage> image(std::string_view name, std::string_view extension,
                                       const std::vector<std::filesystem::path>& candidates);
};

} // namespace corvane
