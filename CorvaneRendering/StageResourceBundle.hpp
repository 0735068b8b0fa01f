#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace corvane::StageResourceBundle {

inline constexpr std::string_view name = "Brelmo_CorvaneRendering.bundle";

// Where the bundle may be, first choice first: beside the executable, in the
// installed share folder, then the build tree's.
std::vector<std::filesystem::path> candidateBundles();
// The first candidate that is a folder.
std::optional<std::filesystem::path> locate();

// The keyboard photograph: "Keyboard/teclado88.png", or "teclado88.png" at the root.
std::optional<std::filesystem::path> keyboardImage(const std::filesystem::path& bundle);
// The grain tile "panel-grain.png" at the root.
std::optional<std::filesystem::path> panelGrainImage(const std::filesystem::path& bundle);

} // namespace corvane::StageResourceBundle
