#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "CorvaneApp/DevicelessEnvironment.hpp"
#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneAudio/audio/AudioTestSupport.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"
#include "support/SMFWriter.hpp"
#include "support/TestFolder.hpp"

// The stores and controller of one defaults file, as the application makes
// them, with its demo pieces; the MIDI monitor is left out. With
// `withEngine`, a real engine on the shared JACK dummy server.
class ControllerHarness {
public:
    // `prepare` writes to the defaults before the controller reads them, as a
    // settings file edited by hand or left by an earlier run would.
    explicit ControllerHarness(bool withEngine = false,
                               const std::function<void(corvane::DefaultsStore&)>& prepare = {})
        : progress_(*defaults_, 200), loops_(*defaults_, 50), tracks_(*defaults_), folder_("brelmo-controller-test")
    {
        if (prepare) prepare(*defaults_);
        if (withEngine) {
            sharedJackServer();
            engine_ = std::make_unique<corvane::PianoAudioEngine>(*defaults_, corvane::AudioHostAPI::jack);
        }
        makeController();
    }
    // A new controller over the same stores and defaults, as the next start
    // of the application makes one (it restores the saved session).
    corvane::PracticeSessionStore& restart()
    {
        controller_.reset();
        makeController();
        return *controller_;
    }
    ~ControllerHarness() { controller_.reset(); }
    ControllerHarness(const ControllerHarness&) = delete;
    ControllerHarness& operator=(const ControllerHarness&) = delete;

    corvane::PracticeSessionStore& controller() { return *controller_; }
    corvane::DefaultsStore& defaults() { return *defaults_; }
    corvane::PianoAudioEngine* engine() { return engine_.get(); }

    // Opens a song of `measures` bars of 4/4 at 120 (2 s a bar), one whole
    // note a bar, and leaves it paused.
    void openSong(int measures, const std::string& name = "Estudo")
    {
        controller_->loadMIDI(songFile(measures, name));
        if (controller_->lastImportError()) throw std::runtime_error(*controller_->lastImportError());
        if (controller_->isPlaying()) controller_->togglePlayback();
    }

    // The file openSong opens, written and not opened (to restore a session on it).
    std::filesystem::path songFile(int measures, const std::string& name = "Estudo")
    {
        smf::Track conductor;
        conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
        smf::Track melody;
        melody.name(0, "Melodia");
        for (int i = 0; i < measures; ++i)
            melody.noteOn(0, std::uint8_t(60 + i % 12)).noteOff(4 * 480, std::uint8_t(60 + i % 12));
        melody.endOfTrack();
        return folder_.write(name + ".mid", smf::file(1, 480, {conductor, melody}));
    }

private:
    void makeController()
    {
        auto environment = devicelessEnvironment();
        environment.demoBundles = corvane::StudioResourceBundle::candidates();
        controller_ = std::make_unique<corvane::PracticeSessionStore>(progress_, loops_, tracks_, nullptr,
                                                                     engine_.get(), *defaults_, nullptr, nullptr,
                                                                     std::move(environment));
        // Start-up notices (no engine) are not what these tests look at.
        controller_->setLastImportError(std::nullopt);
    }

    TemporaryDefaults defaults_;
    corvane::PracticeProgressStore progress_;
    corvane::PracticeLoopStore loops_;
    corvane::PracticeTrackStore tracks_;
    TestFolder folder_;
    std::unique_ptr<corvane::PianoAudioEngine> engine_;
    std::unique_ptr<corvane::PracticeSessionStore> controller_;
};
