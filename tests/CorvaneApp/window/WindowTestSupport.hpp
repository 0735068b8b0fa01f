#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
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
#include "support/TestFolder.hpp"
#include "CorvaneApp/DevicelessEnvironment.hpp"

// A folder of its own for the files a test writes.
class FileFolder : public TestFolder {
public:
    FileFolder() : TestFolder("brelmo-window-test") {}

    // A short tune: a conductor track and one track of four notes.
    std::filesystem::path song(const std::string& name) const
    {
        smf::Track conductor;
        conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
        smf::Track melody;
        melody.name(0, "Melodia");
        for (std::uint8_t pitch : {60, 62, 64, 65}) melody.noteOn(0, pitch).noteOff(480, pitch);
        melody.endOfTrack();
        return write(name, smf::file(1, 480, {conductor, melody}));
    }
};

// The stores and controller of one defaults file, as the application makes
// them; the MIDI monitor is left out.
class ControllerHarness {
public:
    // With `withEngine`, a real engine on the shared JACK dummy server.
    explicit ControllerHarness(bool withEngine)
        : progress_(*defaults_, 200), loops_(*defaults_, 50), tracks_(*defaults_)
    {
        if (withEngine) {
            sharedJackServer();
            engine_ = std::make_unique<corvane::PianoAudioEngine>(*defaults_, corvane::AudioHostAPI::jack);
        }
        auto environment = devicelessEnvironment();
        controller_ = std::make_unique<corvane::PracticeSessionStore>(progress_, loops_, tracks_, nullptr,
                                                                     engine_.get(), *defaults_, nullptr, nullptr,
                                                                     std::move(environment));
        // Start-up notices (no engine, missing demos) are not what these tests look at.
        controller_->setLastImportError(std::nullopt);
    }
    ~ControllerHarness() { controller_.reset(); }

    corvane::PracticeSessionStore& controller() { return *controller_; }
    corvane::DefaultsStore& defaults() { return *defaults_; }
    corvane::PianoAudioEngine* engine() { return engine_.get(); }

private:
    TemporaryDefaults defaults_;
    corvane::PracticeProgressStore progress_;
    corvane::PracticeLoopStore loops_;
    corvane::PracticeTrackStore tracks_;
    std::unique_ptr<corvane::PianoAudioEngine> engine_;
    std::unique_ptr<corvane::PracticeSessionStore> controller_;
};

// Clicks the button of `box` whose text is `text`; false when it has none.
inline bool clickButton(QMessageBox* box, const QString& text)
{
    for (auto button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return true;
        }
    }
    return false;
}
