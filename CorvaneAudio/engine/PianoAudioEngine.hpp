#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "CorvaneAudio/engine/PreparedAudioOutput.hpp"
#include "CorvaneAudio/engine/RenderClockMapping.hpp"
#include "CorvaneAudio/instruments/AudioInstrumentDescriptor.hpp"
#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"
#include "CorvaneAudio/output/AudioHostAPI.hpp"
#include "CorvaneAudio/output/AudioOutputDevice.hpp"
#include "CorvaneAudio/output/AudioRenderClockInstant.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/output/CountInClick.hpp"

namespace corvane {

class AudioOutputStream;
class DefaultsStore;
class HeldControllers;
class LV2Instrument;
class RenderInstrument;

// The one sound source: the built-in piano or an LV2 instrument, played
// through one output stream whose callback also mixes the count-in click and
// times the render clock. Remembers the chosen instrument, output and each
// plugin's state in the defaults store. Main thread only; the audio thread
// is reached through a lock-free queue.
//
// The built-in piano's samples take a second or more to decode, so the engine
// is made at once and the piano loads on a worker thread. Until it arrives
// the engine runs, clicks and keeps its clock as usual, but notes are silent:
// a note played meanwhile is not heard, not even when the piano arrives while
// its key is still held. Controllers (the sustain pedal above all) are kept
// and set on the piano when it arrives, so a pedal held down meanwhile holds
// the notes played after.
class PianoAudioEngine : public QObject {
    Q_OBJECT
public:
    static constexpr const char* selectedInstrumentPreferenceKey = "audio.selectedInstrumentID";
    static constexpr const char* selectedOutputPreferenceKey = "audio.selectedOutputUID";
    static constexpr const char* instrumentStatePreferenceKeyPrefix = "audio.instrumentState.";

    // Where the built-in piano's SoundFont is; BundledPiano::defaultSoundFontURL
    // unless the engine is given another.
    using SoundFontLocator = std::function<std::optional<std::filesystem::path>()>;

    // On the preferred sound system. Throws PianoAudioError (soundFontMissing,
    // countInBufferUnavailable, outputUnitUnavailable when there is no audio
    // device at all). Does not start the output. The piano loads afterwards
    // (see above); a SoundFont that then fails to load leaves the piano
    // silent and says why in `instrumentError`.
    explicit PianoAudioEngine(DefaultsStore& defaults, QObject* parent = nullptr);
    PianoAudioEngine(DefaultsStore& defaults, AudioHostAPI api, QObject* parent = nullptr);
    PianoAudioEngine(DefaultsStore& defaults, AudioHostAPI api, SoundFontLocator locateSoundFont,
                     QObject* parent = nullptr);
    // On an output prepared beforehand (off the main thread): nothing here
    // waits for the sound system. Throws PianoAudioError (soundFontMissing,
    // countInBufferUnavailable).
    PianoAudioEngine(DefaultsStore& defaults, PreparedAudioOutput output, SoundFontLocator locateSoundFont = {},
                     QObject* parent = nullptr);
    ~PianoAudioEngine() override;

    const std::vector<AudioInstrumentDescriptor>& availableInstruments() const { return availableInstruments_; }
    const AudioInstrumentDescriptor& selectedInstrument() const { return selectedInstrument_; }
    const std::optional<std::string>& loadingInstrumentID() const { return loadingInstrumentID_; }
    bool isRefreshingInstruments() const { return isRefreshingInstruments_; }
    const std::optional<std::string>& instrumentError() const { return instrumentError_; }
    const std::vector<AudioOutputDevice>& availableAudioOutputs() const { return availableAudioOutputs_; }
    // Absent: the system's default output.
    const std::optional<std::string>& selectedOutputUID() const { return selectedOutputUID_; }
    bool activeInstrumentHasUserInterface() const { return activeInstrumentHasUserInterface_; }
    const std::optional<std::string>& outputError() const { return outputError_; }
    // The piano the engine starts with is still loading; notes are silent.
    bool isLoadingBuiltInPiano() const { return heldControllers_ != nullptr; }

    // Called just before the instrument or the output device changes.
    std::function<void()> onWillReconfigure;

    AudioHostAPI hostAPI() const { return api_; }
    bool isRunning() const;
    // Opens and starts the output when it does not run (again, after it was
    // lost); throws AudioStartError.
    void start();
    // Closes an output that was started and no longer runs (its sound server
    // gone), and then tells so once with `outputLost`. The engine looks by
    // itself as soon as JACK reports a server's death, and before it starts.
    void noticeLostOutput();
    // Stores the plugin's state, stops the click and the output.
    void stop();

    // Plays on the active instrument; never starts the output.
    void send(const MIDIInstrumentCommand& command);
    void noteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel);
    void noteOff(std::uint8_t note, std::uint8_t channel);
    void sendController(std::uint8_t controller, std::uint8_t value, std::uint8_t channel);
    void sendProgramChange(std::uint8_t program, std::uint8_t channel);
    void sendPitchBend(std::uint16_t value, std::uint8_t channel);
    void stopAllNotes();

    // Playback sent ahead of its time: the commands take effect at the
    // sample where the render-clock time `clockSeconds` falls, inside the
    // cycle (a time already past plays at the next cycle's start). The answer
    // identifies them for withdrawScheduled(); absent when they were played at
    // once instead (the output does not run, or too much waits).
    std::optional<std::uint64_t> schedule(std::span<const MIDIInstrumentCommand> commands, double clockSeconds);
    // Takes back every scheduled command that has not begun to play: the
    // answer is the oldest identity taken back, which with every later one
    // will never sound; absent when nothing was waiting. Exact at once.
    std::optional<std::uint64_t> withdrawScheduled();
    // Identities below this one have played or been taken back.
    std::uint64_t scheduledConsumedThrough() const;
    // The output's cycle length in frames, as far as it is known (for how far ahead to send).
    double periodSeconds() const;
    // For measurements and tests: every command the instrument receives, with
    // the sample it took effect at, is kept until taken.
    void recordAppliedCommands(bool recording);
    std::vector<AppliedCommand> takeAppliedCommands();

    // Sounds one click now, cutting off one still sounding; starts the output
    // when needed (throws AudioStartError when it cannot).
    void playCountInClick(bool accented);
    const CountInClicks& countInClicks() const { return clicks_; }

    // Absent while the output does not run.
    std::optional<AudioRenderClockInstant> currentRenderClockInstant() const;

    // The hosted plugin when an LV2 instrument plays; null for the built-in piano.
    LV2Instrument* activeAudioUnit() const { return activePlugin_; }

    // Instrument and output choice. The asynchronous ones call `done` on the
    // main thread when they have finished, whatever the outcome.
    void restorePreferredInstrument(std::function<void()> done = {});
    void refreshAvailableInstruments(std::function<void()> done = {});
    void selectInstrument(const std::string& id, std::function<void()> done = {});
    void selectInstrument(const AudioInstrumentDescriptor& descriptor, std::function<void()> done = {});
    void selectAudioOutput(const std::optional<std::string>& uid);
    void refreshAudioOutputs();
    void persistActiveInstrumentState();

signals:
    void availableInstrumentsChanged();
    void selectedInstrumentChanged();
    void loadingInstrumentIDChanged();
    void isRefreshingInstrumentsChanged();
    void instrumentErrorChanged();
    void availableAudioOutputsChanged();
    void selectedOutputUIDChanged();
    void activeInstrumentHasUserInterfaceChanged();
    void outputErrorChanged();
    // The output stopped without being asked: nothing sounds and the render
    // clock stands still until the next start.
    void outputLost();

private:
    struct BuiltInstrument;

    void setAvailableInstruments(std::vector<AudioInstrumentDescriptor> value);
    void setSelectedInstrument(AudioInstrumentDescriptor value);
    void setLoadingInstrumentID(std::optional<std::string> value);
    void setIsRefreshingInstruments(bool value);
    void setInstrumentError(std::optional<std::string> value);
    void setAvailableAudioOutputs(std::vector<AudioOutputDevice> value);
    void setSelectedOutputUID(std::optional<std::string> value);
    void setActiveInstrumentHasUserInterface(bool value);
    void setOutputError(std::optional<std::string> value);

    void submit(const RenderCommand& command);
    void stopStream();
    void finishSelection(const AudioInstrumentDescriptor& descriptor, std::shared_ptr<BuiltInstrument> built,
                         std::function<void()> done);
    void swapInstrument(const AudioInstrumentDescriptor& descriptor, std::unique_ptr<RenderInstrument> instrument,
                        LV2Instrument* plugin);
    void restoreState(const AudioInstrumentDescriptor& descriptor, LV2Instrument& plugin);
    // The starting piano: built (or, given `built`, rebuilt at another rate)
    // on a worker, then put in place of the silent stand-in.
    void loadBuiltInPiano(std::filesystem::path soundFont, double sampleRate,
                          std::shared_ptr<BuiltInstrument> built = nullptr);
    void adoptBuiltInPiano(std::shared_ptr<BuiltInstrument> built);
    void probeUserInterfaceAvailability(const LV2Instrument& plugin, const std::string& descriptorID);
    void reclaimRetiredInstruments();
    // Main thread, no callback running: what the callback left queued, then a
    // swap the full queue refused, so nothing overtakes or is lost.
    void applyStalledCommands();

    DefaultsStore& defaults_;
    AudioHostAPI api_{};
    SoundFontLocator locateSoundFont_;
    // Present while the stand-in plays in place of the loading piano.
    std::unique_ptr<HeldControllers> heldControllers_;
    // Set when the engine goes: a piano still loading for it gives up.
    std::shared_ptr<std::atomic<bool>> released_ = std::make_shared<std::atomic<bool>>(false);
    CountInClicks clicks_;
    std::unique_ptr<RenderInstrument> activeInstrument_;
    LV2Instrument* activePlugin_ = nullptr;
    std::vector<std::pair<std::uint64_t, std::unique_ptr<RenderInstrument>>> retiredInstruments_;
    std::uint64_t swapGeneration_ = 0;
    // A swap the queue refused while the audio thread had stopped draining;
    // retried until it goes through, and its outgoing instrument kept till then.
    std::optional<RenderCommand> stalledSwap_;
    std::unique_ptr<AudioRenderCore> core_;
    RenderClockMapping clockMapping_;
    // Scheduled samples never go backwards: the audio thread takes them in order.
    std::int64_t lastScheduledSample_ = 0;
    std::unique_ptr<AppliedCommandLog> appliedLog_;
    std::unique_ptr<AudioOutputStream> stream_;
    std::optional<std::string> streamOutputUID_; // the device the stream opens on
    mutable std::uint64_t lastClockHostTime_ = 0; // the latest host time given out
    // The devices listed while the output was prepared; the first restore
    // uses them instead of listing again, then forgets them.
    std::optional<std::vector<AudioOutputDevice>> preparedOutputs_;
    QTimer reclaimTimer_;
    std::uint64_t serverDeathListener_ = 0;
    std::vector<std::function<void()>> refreshWaiters_;
    bool didAttemptRestore_ = false;

    std::vector<AudioInstrumentDescriptor> availableInstruments_{AudioInstrumentDescriptor::bundledPiano()};
    AudioInstrumentDescriptor selectedInstrument_ = AudioInstrumentDescriptor::bundledPiano();
    std::optional<std::string> loadingInstrumentID_;
    bool isRefreshingInstruments_ = false;
    std::optional<std::string> instrumentError_;
    std::vector<AudioOutputDevice> availableAudioOutputs_;
    std::optional<std::string> selectedOutputUID_;
    bool activeInstrumentHasUserInterface_ = false;
    std::optional<std::string> outputError_;
};

} // namespace corvane
