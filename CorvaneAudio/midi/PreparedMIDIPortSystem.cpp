#include "CorvaneAudio/midi/PreparedMIDIPortSystem.hpp"

#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitorError.hpp"

namespace corvane {

PreparedMIDIPortSystem PreparedMIDIPortSystem::made(std::unique_ptr<MIDIPortSystem> system)
{
    using Error = MIDIDeviceMonitorError;
    if (!system) throw Error(Error::ClientCreationFailed{midiStatus::invalidUse});
    // On failure the half-made system goes out of scope, releasing what it created.
    if (const MIDIStatus status = system->createClient(MIDIDeviceMonitor::clientName); status != midiStatus::noError)
        throw Error(Error::ClientCreationFailed{status});
    if (const MIDIStatus status = system->createOutputPort(MIDIDeviceMonitor::outputPortName);
        status != midiStatus::noError)
        throw Error(Error::OutputPortCreationFailed{status});
    return PreparedMIDIPortSystem{std::move(system)};
}

PreparedMIDIPortSystem PreparedMIDIPortSystem::prepare(std::optional<MIDIApi> api)
{
    PreparedMIDIPortSystem prepared;
    if (api) {
        prepared = made(makeMIDIPortSystem(*api));
    } else {
        if (alsaSequencerAvailable()) {
            try {
                prepared = made(makeMIDIPortSystem(MIDIApi::alsaSequencer));
            } catch (const MIDIDeviceMonitorError&) {
                // A sequencer that cannot be used: JACK may still be there.
            }
        }
        if (!prepared.system) prepared = made(makeMIDIPortSystem(MIDIApi::jack));
    }
    // What the first listing opens stays open for the monitor's own.
    prepared.system->sources();
    prepared.system->destinations();
    return prepared;
}

} // namespace corvane
