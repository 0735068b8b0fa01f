#include "CorvaneAudio/instruments/SoundFontPiano.hpp"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>

#include "CorvaneAudio/PianoAudioError.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

// Set on the thread that builds a synth for a caller who may give it up.
thread_local const std::atomic<bool>* buildAbandoned = nullptr;

bool abandoned() { return buildAbandoned && buildAbandoned->load(std::memory_order_relaxed); }

// A load given up on fails every read on purpose; its errors say nothing.
void logError(int level, const char* message, void* data)
{
    if (!abandoned()) fluid_default_log_function(level, message, data);
}

// FluidSynth writes its warnings to stderr from whichever thread calls it,
// the audio thread included (a voice it cannot allocate, say); that write
// could block the callback. Errors, which come from loading, stay.
void quietenSynthesizerLog()
{
    static const bool quietened = [] {
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
        fluid_set_log_function(FLUID_ERR, &logError, nullptr);
        return true;
    }();
    (void)quietened;
}

// FluidSynth's own file access, except that every read fails once the build
// is abandoned: decoding the samples, read one by one, then stops within
// milliseconds instead of running on for a second.
void* openFile(const char* path) { return std::fopen(path, "rb"); }

int readFile(void* buffer, fluid_long_long_t count, void* file)
{
    if (abandoned()) return FLUID_FAILED;
    const auto size = static_cast<std::size_t>(count);
    return std::fread(buffer, 1, size, static_cast<std::FILE*>(file)) == size ? FLUID_OK : FLUID_FAILED;
}

int seekFile(void* file, fluid_long_long_t offset, int origin)
{
    return ::fseeko(static_cast<std::FILE*>(file), static_cast<off_t>(offset), origin) == 0 ? FLUID_OK : FLUID_FAILED;
}

fluid_long_long_t tellFile(void* file) { return ::ftello(static_cast<std::FILE*>(file)); }

int closeFile(void* file) { return std::fclose(static_cast<std::FILE*>(file)) == 0 ? FLUID_OK : FLUID_FAILED; }

} // namespace

SoundFontPiano::SoundFontPiano(std::filesystem::path soundFont, double sampleRate, const std::atomic<bool>* abandon)
    : soundFont_(std::move(soundFont))
{
    buildAbandoned = abandon;
    try {
        build(sampleRate);
    } catch (...) {
        buildAbandoned = nullptr;
        throw;
    }
    buildAbandoned = nullptr;
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
    fluid_settings_setnum(settings, "synth.gain", gain);
    fluid_settings_setint(settings, "synth.polyphony", polyphony);
    // Samples are decoded when a preset is chosen, and only that preset's: a
    // General MIDI SoundFont holds far more than its piano.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth) {
        delete_fluid_settings(settings);
        throw InstrumentLoadError("O sintetizador do piano interno não pôde ser criado.");
    }
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    if (loader) {
        fluid_sfloader_set_callbacks(loader, &openFile, &readFile, &seekFile, &tellFile, &closeFile);
        fluid_synth_add_sfloader(synth, loader); // tried before the default one, which stays behind it
    }
    // The presets are chosen below: letting the load choose them would decode
    // the drum kit it gives channel 10 as well.
    const int soundFontID = fluid_synth_sfload(synth, soundFont_.c_str(), 0);
    if (soundFontID == FLUID_FAILED || abandoned()) {
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
    // Its samples failed to decode on purpose: the piano is incomplete.
    if (abandoned()) {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        throw InstrumentLoadError("O SoundFont " + soundFont_.filename().string() + " não pôde ser carregado.");
    }
    // Released only now: while the old synth lives, FluidSynth's sample
    // cache hands its decoded samples to the new one.
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
