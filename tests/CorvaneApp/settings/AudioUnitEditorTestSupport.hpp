#pragma once

#include <gtest/gtest.h>

#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <string>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/settings/AudioUnitEditorView.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "support/QtEventLoop.hpp"

// An engine on the JACK dummy server with the installed plugins listed, and
// the "Instrumento virtual" window as the application makes it: the editor
// view alone in a window of 760 × 560. The window goes before the engine.
class AudioUnitEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bool listed = false;
        engine().refreshAvailableInstruments([&] { listed = true; });
        ASSERT_TRUE(processEventsUntil([&] { return listed; }));
    }
    void TearDown() override { window.reset(); }

    corvane::PianoAudioEngine& engine() { return *harness.engine(); }

    std::string idOf(const std::string& name)
    {
        for (const auto& descriptor : engine().availableInstruments())
            if (descriptor.name == name) return descriptor.id;
        ADD_FAILURE() << name << " is not installed";
        return {};
    }

    void select(const std::string& name)
    {
        bool done = false;
        engine().selectInstrument(idOf(name), [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }, std::chrono::seconds(20)));
        ASSERT_FALSE(engine().instrumentError()) << *engine().instrumentError();
        ASSERT_EQ(engine().selectedInstrument().name, name);
    }

    void selectBuiltInPiano()
    {
        bool done = false;
        engine().selectInstrument(corvane::AudioInstrumentDescriptor::bundledPiano().id, [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }, std::chrono::seconds(20)));
    }

    corvane::AudioUnitEditorView* makeWindow()
    {
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("audio-unit-editor"));
        window->setWindowTitle(QStringLiteral("Instrumento virtual"));
        window->resize(760, 560);
        auto layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        auto view = new corvane::AudioUnitEditorView(&engine());
        layout->addWidget(view);
        return view;
    }

    ControllerHarness harness{true};
    std::unique_ptr<QWidget> window;
};
