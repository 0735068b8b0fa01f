#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <cerrno>
#include <system_error>

#include "CorvaneAudio/PianoAudioError.hpp"
#include "CorvaneDomain/MIDIFileParseError.hpp"
#include "CorvaneDomain/MIDITempoMap.hpp"
#include "CorvaneDomain/MIDITransport.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

constexpr const char* preparationFailed = "O arquivo MIDI não pôde ser preparado para reprodução.";

// The case name, with its labelled values in parentheses; strings quoted.
std::string parseErrorText(const MIDIFileParseError& error)
{
    using std::to_string;
    using E = MIDIFileParseError;
    return std::visit(
        Overloaded{
            [](const E::UnexpectedEnd& e) { return "unexpectedEnd(offset: " + to_string(e.offset) + ")"; },
            [](const E::InvalidChunk& e) {
                return "invalidChunk(expected: \"" + e.expected + "\", offset: " + to_string(e.offset) + ")";
            },
            [](const E::InvalidHeaderLength& e) { return "invalidHeaderLength(" + to_string(e.length) + ")"; },
            [](const E::UnsupportedFormat& e) { return "unsupportedFormat(" + to_string(e.format) + ")"; },
            [](const E::InvalidTrackCount& e) {
                return "invalidTrackCount(format: " + to_string(e.format) + ", count: " + to_string(e.count) + ")";
            },
            [](const E::InvalidTimeDivision& e) { return "invalidTimeDivision(" + to_string(e.division) + ")"; },
            [](const E::InvalidVariableLengthQuantity& e) {
                return "invalidVariableLengthQuantity(offset: " + to_string(e.offset) + ")";
            },
            [](const E::MissingRunningStatus& e) {
                return "missingRunningStatus(offset: " + to_string(e.offset) + ")";
            },
            [](const E::InvalidStatus& e) {
                return "invalidStatus(" + to_string(e.status) + ", offset: " + to_string(e.offset) + ")";
            },
            [](const E::TickOverflow& e) { return "tickOverflow(track: " + to_string(e.track) + ")"; },
            [](const E::TrackBoundaryExceeded& e) {
                return "trackBoundaryExceeded(track: " + to_string(e.track) + ")";
            },
        },
        error.error());
}

std::string tempoMapErrorText(const MIDITempoMapError& error)
{
    using std::to_string;
    using E = MIDITempoMapError;
    return std::visit(
        Overloaded{
            [](const E::TrackIndexOutOfRange& e) { return "A trilha " + to_string(e.index) + " não existe no arquivo."; },
            [](const E::InvalidTempoEvent& e) {
                return "O arquivo tem uma mudança de andamento inválida (trilha " + to_string(e.track) + ", evento " +
                       to_string(e.event) + ").";
            },
            [](const E::InvalidTimeSignatureEvent& e) {
                return "O arquivo tem uma fórmula de compasso inválida (trilha " + to_string(e.track) + ", evento " +
                       to_string(e.event) + ").";
            },
            [](const E::IndependentTracksRequireTrackSelection&) {
                return std::string("Arquivos MIDI de formato 2, com sequências independentes, não podem ser abertos "
                                   "para prática.");
            },
        },
        error.error());
}

std::string transportErrorText(const MIDITransportError& error)
{
    using E = MIDITransportError;
    return std::visit(Overloaded{
                          [](const E::InvalidPlaybackRate&) { return "A velocidade de reprodução é inválida."; },
                          [](const E::InvalidPosition&) { return "A posição de reprodução é inválida."; },
                          [](const E::InvalidLoopRange&) { return "O trecho de loop é inválido."; },
                          [](const E::InvalidClockTime&) { return "O relógio de áudio não está disponível."; },
                          [](const E::ClockMovedBackward&) { return "O relógio de áudio foi reiniciado."; },
                      },
                      error.error());
}

std::string fileErrorText(const std::system_error& error)
{
    if (error.code() == std::errc::is_a_directory) return "O item escolhido é uma pasta, não um arquivo MIDI.";
    if (error.code() == std::errc::invalid_argument) return "O item escolhido não é um arquivo comum.";
    if (error.code() == std::errc::file_too_large) return "O arquivo é grande demais para ser um arquivo MIDI.";
    return "O arquivo não pôde ser lido.";
}

} // namespace

std::string PracticeSessionStore::importFailureMessage(const std::exception& error)
{
    const std::string head = std::string(preparationFailed) + "\n\n";
    if (const auto* parse = dynamic_cast<const MIDIFileParseError*>(&error))
        return head + "O arquivo parece danificado: " + parseErrorText(*parse) + ".";
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        const auto code = system->code();
        if (code == std::errc::no_such_file_or_directory || code == std::errc::permission_denied ||
            code == std::errc::operation_not_permitted)
            return head + "O aplicativo não conseguiu ler o arquivo neste local.";
        return head + fileErrorText(*system);
    }
    if (const auto* tempo = dynamic_cast<const MIDITempoMapError*>(&error)) return head + tempoMapErrorText(*tempo);
    if (const auto* transport = dynamic_cast<const MIDITransportError*>(&error))
        return head + transportErrorText(*transport);
    // The engine's errors are worded in Portuguese already.
    if (dynamic_cast<const AudioStartError*>(&error) || dynamic_cast<const InstrumentLoadError*>(&error))
        return head + error.what();
    return head + "Ocorreu um erro inesperado.";
}

} // namespace corvane
