#pragma once

#include <rtaudio/RtAudio.h>

#include <memory>
#include <vector>

#include "CorvaneAudio/output/AudioHostAPI.hpp"
#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"

namespace corvane {

RtAudio::Api rtAudioAPI(AudioHostAPI api);

// A quiet RtAudio for one API (its warnings would only clutter the log);
// null when it cannot be created.
std::unique_ptr<RtAudio> makeRtAudio(AudioHostAPI api);

// Never throws; a device that cannot be read is reported as not probed.
// JACK's are listed by listJackDevices.
std::vector<AudioDeviceProbe> probeDevices(RtAudio& audio);

} // namespace corvane
