#pragma once

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "CorvaneApp/PracticeSessionStore.hpp"
#include "CorvaneAudio/MIDIDeviceMonitor.hpp"
#include "CorvaneAudio/PianoAudioEngine.hpp"
#include "CorvaneAudio/audio/AudioTestSupport.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"
#include "support/QtEventLoop.hpp"
#include "support/SMFWriter.hpp"
#include "CorvaneApp/DevicelessEnvironment.hpp"

// A controller with its stores on a defaults file of its own, without MIDI;
// with `withEngine`, on a real engine on the shared JACK dummy server.
class WorkspaceHarness {
public:
    explicit WorkspaceHarness(bool withEngine = false)
        : progress_(*defaults_, 200), loops_(*defaults_, 50), tracks_(*defaults_),
          folder_(std::filesystem::temp_directory_path() / ("brelmo-workspace-test-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(folder_);
        if (withEngine) {
            sharedJackServer();
            engine_ = std::make_unique<corvane::PianoAudioEngine>(*defaults_, corvane::AudioHostAPI::jack);
        }
        auto environment = devicelessEnvironment();
        controller_ = std::make_unique<corvane::PracticeSessionStore>(progress_, loops_, tracks_, nullptr,
                                                                     engine_.get(), *defaults_, nullptr, nullptr,
                                                                     std::move(environment));
        controller_->setLastImportError(std::nullopt);
    }
    ~WorkspaceHarness()
    {
        controller_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    corvane::PracticeSessionStore& controller() { return *controller_; }
    corvane::DefaultsStore& defaults() { return *defaults_; }
    corvane::PianoAudioEngine* engine() { return engine_.get(); }

    // Opens a song of `measures` bars of 4/4 at 120 (2 s a bar), one whole note a bar.
    void openSong(int measures, const std::string& name = "Estudo")
    {
        smf::Track conductor;
        conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
        smf::Track melody;
        melody.name(0, "Melodia");
        for (int i = 0; i < measures; ++i) melody.noteOn(0, std::uint8_t(60 + i % 12)).noteOff(4 * 480, std::uint8_t(60 + i % 12));
        melody.endOfTrack();
        const auto bytes = smf::file(1, 480, {conductor, melody});
        const auto file = folder_ / (name + ".mid");
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        controller_->loadMIDI(file);
        if (controller_->lastImportError()) throw std::runtime_error(*controller_->lastImportError());
        if (controller_->isPlaying()) controller_->togglePlayback();
    }

private:
    TemporaryDefaults defaults_;
    corvane::PracticeProgressStore progress_;
    corvane::PracticeLoopStore loops_;
    corvane::PracticeTrackStore tracks_;
    std::filesystem::path folder_;
    std::unique_ptr<corvane::PianoAudioEngine> engine_;
    std::unique_ptr<corvane::PracticeSessionStore> controller_;
};

// Mouse gestures with the button held between the steps.
inline void drag(QWidget* widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}
