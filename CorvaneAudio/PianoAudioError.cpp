#include "CorvaneAudio/PianoAudioError.hpp"

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::string PianoAudioError::describe(const Case& c)
{
    return std::visit(
        Overloaded{
            [](const OutputDeviceSelectionFailed& failure) {
                return "A saída de áudio não pôde ser selecionada (erro " + std::to_string(failure.status) + ").";
            },
            [](const SoundFontMissing&) { return std::string("O SoundFont do piano interno não foi encontrado."); },
            [](const CountInBufferUnavailable&) { return std::string("O clique da contagem não pôde ser preparado."); },
            [](const InvalidComponentDescription&) {
                return std::string("A identificação do plug-in LV2 é inválida.");
            },
            [](const ComponentIsNotMIDIInstrument&) {
                return std::string("O plug-in LV2 selecionado não aceita eventos MIDI como instrumento.");
            },
            [](const OutputUnitUnavailable&) {
                return std::string("A unidade de saída de áudio do sistema não está disponível.");
            },
        },
        c);
}

} // namespace corvane
