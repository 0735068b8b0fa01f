#include "CorvaneApp/workspace/NoteNames.hpp"

namespace corvane {

std::string waitingTitle(const std::vector<std::uint8_t>& notes)
{
    std::string title = "Toque ";
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (i > 0) title += " + ";
        title += noteName(notes[i]);
    }
    return title + " para continuar";
}

} // namespace corvane
