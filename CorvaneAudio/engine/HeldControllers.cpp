#include "CorvaneAudio/engine/HeldControllers.hpp"

namespace corvane {

HeldControllers::HeldControllers()
{
    for (auto& channel : controllers_) channel.fill(unset);
    pitchBends_.fill(unset);
}

void HeldControllers::remember(const MIDIInstrumentCommand& command)
{
    if (const auto* change = command.as<MIDIInstrumentCommand::ControlChange>()) {
        const auto channel = change->channel & 0x0F;
        if (change->controller < 120) {
            controllers_[channel][change->controller] = change->value;
        } else if (change->controller == 121) { // reset all controllers
            controllers_[channel].fill(unset);
            pitchBends_[channel] = unset;
        }
    } else if (const auto* bend = command.as<MIDIInstrumentCommand::PitchBend>()) {
        pitchBends_[bend->channel & 0x0F] = bend->value;
    } else if (command.as<MIDIInstrumentCommand::AllNotesOff>()) {
        for (auto& channel : controllers_) channel[64] = unset;
    }
}

std::vector<MIDIInstrumentCommand> HeldControllers::commands() const
{
    std::vector<MIDIInstrumentCommand> result;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        for (std::uint8_t controller = 0; controller < 120; ++controller)
            if (const auto value = controllers_[channel][controller]; value != unset)
                result.push_back(MIDIInstrumentCommand::controlChange(controller, std::uint8_t(value), channel));
        if (pitchBends_[channel] != unset)
            result.push_back(MIDIInstrumentCommand::pitchBend(std::uint16_t(pitchBends_[channel]), channel));
    }
    return result;
}

} // namespace corvane
