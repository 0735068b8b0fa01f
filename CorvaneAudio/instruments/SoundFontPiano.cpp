#include "CorvaneAudio/instruments/SoundFontPiano.hpp"

#include <fluidsynth.h>

#include <algorithm>

#include "CorvaneAudio/PianoAudioError.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

// FluidSynth writes its warnings to stderr from whichever thread calls it,
// the audio thread included (a voice it cannot allocate, say); that write
// could block the callback. Errors, which come from loading, stay.
void quietenSynthesizerLog()
{
    static const bool quietened = [] {
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
        return true;
    }();
    (void)quietened;
}

} // namespace

SoundFontPiano::SoundFontPiano(std::filesystem::path soundFont, double sampleRate) : soundFont_(std::move(soundFont))
{
    build(sampleRate);
}

SoundFontPiano::~SoundFontPiano() { release(); }

void SoundFontPiano::release()
{
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
    synth_ = nullptr;
    settings_ = nullptr;
}

void SoundFontPiano::build(double sampleRate)
{
    quietenSynthesizerLog();
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) throw InstrumentLoadError("O sintetizador do piano interno não pôde ser criado.");
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    // Every call comes from one thread at a time (the audio thread, or the
    // main thread while no stream runs), so FluidSynth's own mutex would only
    // put a lock into the audio callback.
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    // A dry piano, like a sampler: no reverb or chorus.
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    // FluidSynth's default gain leaves a solo piano very quiet.
    fluid_settings_setnum(settings, "synth.gain", 0.5);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth) {
        delete_fluid_settings(settings);
        throw InstrumentLoadError("O sintetizador do piano interno não pôde ser criado.");
    }
    const int soundFontID = fluid_synth_sfload(synth, soundFont_.c_str(), 1);
    if (soundFontID == FLUID_FAILED) {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        throw InstrumentLoadError("O SoundFont " + soundFont_.filename().string() + " não pôde ser carregado.");
    }
    for (int channel = 0; channel < 16; ++channel) {
        fluid_synth_set_channel_type(synth, channel, CHANNEL_TYPE_MELODIC);
        if (fluid_synth_program_select(synth, channel, soundFontID, 0, 0) != FLUID_OK) {
            delete_fluid_synth(synth);
            delete_fluid_settings(settings);
            throw InstrumentLoadError("O SoundFont " + soundFont_.filename().string() + " não tem um piano.");
        }
    }
    release();
    settings_ = settings;
    synth_ = synth;
    sampleRate_ = sampleRate;
}

void SoundFontPiano::prepare(double sampleRate)
{
    if (sampleRate != sampleRate_) build(sampleRate);
}

void SoundFontPiano::handle(const MIDIInstrumentCommand& command)
{
    std::visit(Overloaded{
                   [&](const MIDIInstrumentCommand::NoteOn& on) {
                       fluid_synth_noteon(synth_, on.channel, on.note, on.velocity);
                   },
                   [&](const MIDIInstrumentCommand::NoteOff& off) { fluid_synth_noteoff(synth_, off.channel, off.note); },
                   [&](const MIDIInstrumentCommand::ControlChange& change) {
                       fluid_synth_cc(synth_, change.channel, change.controller, change.value);
                   },
                   // One piano whatever the song asks for.
                   [](const MIDIInstrumentCommand::ProgramChange&) {},
                   [&](const MIDIInstrumentCommand::PitchBend& bend) {
                       fluid_synth_pitch_bend(synth_, bend.channel, std::min<int>(bend.value, 16383));
                   },
                   [](const MIDIInstrumentCommand::AllNotesOff&) {},
               },
               command.value);
}

void SoundFontPiano::render(float* left, float* right, std::uint32_t frames)
{
    fluid_synth_write_float(synth_, static_cast<int>(frames), left, 0, 1, right, 0, 1);
}

int SoundFontPiano::activeVoiceCount() const { return fluid_synth_get_active_voice_count(synth_); }

} // namespace corvane
