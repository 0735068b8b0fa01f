#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace corvane {

// The five pieces carried in the resource bundle's "DemoMIDIs" folder, in the
// order every list of demos shows them.
enum class BundledDemoSong { odeToJoy, ahVousDiraiJe, minuetInG, greensleeves, furElise };

// The case whose id is exactly `rawValue` (case-sensitive).
std::optional<BundledDemoSong> bundledDemoSong(std::string_view rawValue);

// The id stored in records, after "demo:" in per-song keys; never changes.
std::string_view rawValue(BundledDemoSong song);
std::string_view title(BundledDemoSong song);
// File base name of the piece, without ".mid".
std::string_view resourceName(BundledDemoSong song);

// "DemoMIDIs/<name>.mid", else "<name>.mid", in the first of the candidate
// bundle folders that has either; looked up anew on every call.
std::optional<std::filesystem::path> resourceURL(BundledDemoSong song,
                                                 const std::vector<std::filesystem::path>& candidates);

const std::array<BundledDemoSong, 5>& allBundledDemoSongs();

} // namespace corvane
