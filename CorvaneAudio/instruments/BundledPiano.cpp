#include "CorvaneAudio/instruments/BundledPiano.hpp"

#include <system_error>

namespace corvane::BundledPiano {

namespace {

std::optional<std::filesystem::path> executableFolder()
{
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    return executable.parent_path();
}

bool isFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error); // follows the link the build makes
}

} // namespace

std::vector<std::filesystem::path> candidateBundles()
{
    std::vector<std::filesystem::path> bundles;
    if (const auto folder = executableFolder()) {
        bundles.push_back(*folder / resourceBundleName);
        bundles.push_back(folder->parent_path() / "share" / "brelmo" / resourceBundleName);
    }
#ifdef BRELMO_AUDIO_BUILD_BUNDLE
    bundles.emplace_back(BRELMO_AUDIO_BUILD_BUNDLE);
#endif
    return bundles;
}

std::optional<std::filesystem::path> soundFontIn(const std::vector<std::filesystem::path>& bundles)
{
    for (const auto& bundle : bundles) {
        if (isFile(bundle / "Audio" / "UprightPiano.sf2")) return bundle / "Audio" / "UprightPiano.sf2";
        if (isFile(bundle / "UprightPiano.sf2")) return bundle / "UprightPiano.sf2";
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> defaultSoundFontURL() { return soundFontIn(candidateBundles()); }

} // namespace corvane::BundledPiano
