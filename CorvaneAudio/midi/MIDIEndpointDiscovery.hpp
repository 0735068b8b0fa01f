#pragma once

#include "CorvaneAudio/midi/MIDIEndpoint.hpp"
#include "CorvaneAudio/midi/MIDIPortSystem.hpp"

#include <vector>

namespace corvane {

// Endpoint lists as the user sees them, from what the MIDI system reports:
// every endpoint gets an id and a name (numbered fallbacks "Entrada MIDI n" /
// "Saída MIDI n" by position in the system's list), sorted by name and then id.
std::vector<MIDIInputSource> inputSources(const std::vector<MIDIEndpointProperties>& reported);
std::vector<MIDIOutputDestination> outputDestinations(const std::vector<MIDIEndpointProperties>& reported);

// Ordinary string order of display names: canonically equivalent names are
// equal, the others compare by code points; no case folding, no locale.
int compareDisplayNames(const std::string& a, const std::string& b);

} // namespace corvane
