#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace corvane {

// The sound systems the engine can play through.
enum class AudioHostAPI { pulseAudio, alsa, jack };

// "pulse", "alsa" or "jack": the prefix of the output devices' unique ids.
std::string_view audioHostAPIName(AudioHostAPI api);

// The APIs this build can use, in the order the application prefers them:
// PulseAudio (also served by PipeWire) shares the device with other
// programs and follows the desktop's default, ALSA reaches the hardware
// when no sound server runs, JACK serves studio set-ups.
std::vector<AudioHostAPI> availableAudioHostAPIs();

// The first API of that order with at least one output device; absent when
// there is no audio device at all.
std::optional<AudioHostAPI> preferredAudioHostAPI();

} // namespace corvane
