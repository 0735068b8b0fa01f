#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CorvaneDomain/MIDINoteName.hpp"

namespace corvane {

// "Toque " + the names joined by " + " + " para continuar", in the given order.
std::string waitingTitle(const std::vector<std::uint8_t>& notes);

} // namespace corvane
