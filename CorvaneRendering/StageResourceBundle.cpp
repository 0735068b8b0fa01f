#include "CorvaneRendering/StageResourceBundle.hpp"

#include <system_error>

namespace corvane::StageResourceBundle {

namespace {

bool isFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

std::vector<std::filesystem::path> candidateBundles()
{
    std::vector<std::filesystem::path> bundles;
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        bundles.push_back(executable.parent_path() / name);
        bundles.push_back(executable.parent_path().parent_path() / "share" / "brelmo" / name);
    }
#ifdef BRELMO_RENDERING_BUILD_BUNDLE
    bundles.emplace_back(BRELMO_RENDERING_BUILD_BUNDLE);
#endif
    return bundles;
}

std::optional<std::filesystem::path> locate()
{
    for (const auto& bundle : candidateBundles()) {
        std::error_code error;
        if (std::filesystem::is_directory(bundle, error)) return bundle;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> keyboardImage(const std::filesystem::path& bundle)
{
    for (const auto& path : {bundle / "Keyboard" / "teclado88.png", bundle / "teclado88.png"})
        if (isFile(path)) return path;
    return std::nullopt;
}

std::optional<std::filesystem::path> panelGrainImage(const std::filesystem::path& bundle)
{
    if (const auto path = bundle / "panel-grain.png"; isFile(path)) return path;
    return std::nullopt;
}

} // namespace corvane::StageResourceBundle
