#include "CorvaneDomain/LibraryDestination.hpp"

namespace corvane {

std::string_view id(LibraryDestination destination)
{
    switch (destination) {
    case LibraryDestination::practice: return "practice";
    case LibraryDestination::library: return "library";
    case LibraryDestination::recent: return "recent";
    }
    return {};
}

std::string_view title(LibraryDestination destination)
{
    switch (destination) {
    case LibraryDestination::practice: return "Prática";
    case LibraryDestination::library: return "Biblioteca";
    case LibraryDestination::recent: return "Recentes";
    }
    return {};
}

std::string_view systemImage(LibraryDestination destination)
{
    switch (destination) {
    case LibraryDestination::practice: return "pianokeys";
    case LibraryDestination::library: return "books.vertical";
    case LibraryDestination::recent: return "clock";
    }
    return {};
}

} // namespace corvane
