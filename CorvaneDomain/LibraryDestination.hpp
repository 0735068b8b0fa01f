#pragma once

#include <array>
#include <string_view>

namespace corvane {

// The three screens of the main window.
enum class LibraryDestination { practice, library, recent };

// The sidebar's entries, in order.
inline constexpr std::array<LibraryDestination, 3> primaryLibraryDestinations{
    LibraryDestination::practice, LibraryDestination::library, LibraryDestination::recent};

std::string_view id(LibraryDestination destination);
// Shown to the user.
std::string_view title(LibraryDestination destination);
// Name of the symbol drawn beside the title.
std::string_view systemImage(LibraryDestination destination);

} // namespace corvane
