#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace corvane {

// Finds the built-in piano's SoundFont in the audio resource folder
// "Brelmo_CorvaneAudio.bundle".
namespace BundledPiano {

inline constexpr const char* resourceBundleName = "Brelmo_CorvaneAudio.bundle";

// Beside the executable, then in the installation's share folder, then in
// the build tree this library was built in.
std::vector<std::filesystem::path> candidateBundles();

// "Audio/UprightPiano.sf2" in the first bundle that has it, else
// "UprightPiano.sf2" at a bundle's root; absent when neither exists.
std::optional<std::filesystem::path> soundFontIn(const std::vector<std::filesystem::path>& bundles);

std::optional<std::filesystem::path> defaultSoundFontURL();

} // namespace BundledPiano

} // namespace corvane
