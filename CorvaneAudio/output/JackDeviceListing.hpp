#pragma once

#include <vector>

#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"

namespace corvane {

// The JACK "devices" as RtAudio names them: every client with audio ports, in
// the order of the server's port list, with as many playback channels as it
// has audio ports that take signal in; the first is the default. Listed
// through one client of ours opened through JackClientRegistry: RtAudio's own
// listing opens a client a device out of the registry's sight. Empty without
// a server.
std::vector<AudioDeviceProbe> listJackDevices();

} // namespace corvane
