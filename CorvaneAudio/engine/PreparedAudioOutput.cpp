#include "CorvaneAudio/engine/PreparedAudioOutput.hpp"

#include <algorithm>

#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"
#include "CorvaneAudio/output/AudioOutputStream.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"

namespace corvane {

namespace {

constexpr const char* outputClientName = "Brelmo";

} // namespace

PreparedAudioOutput::PreparedAudioOutput() = default;
PreparedAudioOutput::PreparedAudioOutput(PreparedAudioOutput&&) noexcept = default;
PreparedAudioOutput& PreparedAudioOutput::operator=(PreparedAudioOutput&&) noexcept = default;
PreparedAudioOutput::~PreparedAudioOutput() = default;

PreparedAudioOutput PreparedAudioOutput::prepare(std::optional<AudioHostAPI> api,
                                                 const std::optional<std::string>& preferredUID, bool open)
{
    const auto candidates = api ? std::vector<AudioHostAPI>{*api} : availableAudioHostAPIs();
    for (const auto candidate : candidates) {
        auto stream = AudioOutputStream::make(candidate, outputClientName);
        if (!stream) continue;
        // One listing serves the default device, the device list and the opening.
        const auto probes = stream->probe();
        if (!AudioOutputDeviceCatalog::defaultOutputDeviceID(probes)) continue;
        PreparedAudioOutput prepared;
        prepared.devices = AudioOutputDeviceCatalog::devices(candidate, probes);
        if (preferredUID && std::ranges::any_of(prepared.devices, [&](const auto& d) { return d.uid == *preferredUID; }))
            prepared.openedUID = preferredUID;
        if (open) {
            try {
                stream->open(prepared.openedUID, probes);
            } catch (const AudioOutputOpenError&) {
            }
        }
        prepared.stream = std::move(stream);
        return prepared;
    }
    throw PianoAudioError(PianoAudioError::OutputUnitUnavailable{});
}

} // namespace corvane
