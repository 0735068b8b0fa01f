#include "CorvaneDomain/MIDINoteName.hpp"

#include <array>

namespace corvane {

std::string noteName(std::uint8_t midiNote)
{
    static constexpr std::array<const char*, 12> names{"C", "C\u266F", "D", "D\u266F", "E", "F",
                                                       "F\u266F", "G", "G\u266F", "A", "A\u266F", "B"};
    return std::string(names[midiNote % 12]) + std::to_string(int(midiNote / 12) - 1);
}

} // namespace corvane
