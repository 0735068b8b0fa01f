#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "JackRecorder.hpp"
#include "support/JackTestServer.hpp"
#include "support/QtEventLoop.hpp"

// One JACK dummy server for the whole test process (48 kHz, 256 frames, real
// time where allowed). The process holds the machine's JACK turn from a
// test's first use of it until the next test starts, or until the server has
// stopped at the process's end.
inline JackTestServer& sharedJackServer()
{
    static JackTestTurn::Hold testTurn; // made before the server, let go after it
    struct NextTestLetsGo : ::testing::EmptyTestEventListener {
        void OnTestStart(const ::testing::TestInfo&) override { testTurn.reset(); }
    };
    static const bool listening = [] {
        ::testing::UnitTest::GetInstance()->listeners().Append(new NextTestLetsGo);
        return true;
    }();
    (void)listening;
    if (!testTurn) testTurn = JackTestTurn::hold();
    static RealtimeJackTestServer server;
    static const bool coveredByTheTestsTurn = (server.releaseTurn(), true);
    (void)coveredByTheTestsTurn;
    return server;
}

// A defaults store in a file of its own, removed afterwards.
class TemporaryDefaults {
public:
    TemporaryDefaults()
        : folder_(std::filesystem::temp_directory_path() /
                  ("brelmo-audio-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++)))
    {
        std::filesystem::create_directories(folder_);
        store_ = std::make_unique<corvane::DefaultsStore>(folder_ / "defaults.json");
    }
    ~TemporaryDefaults()
    {
        store_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    corvane::DefaultsStore& operator*() { return *store_; }
    corvane::DefaultsStore* operator->() { return store_.get(); }

private:
    static int& counter()
    {
        static int value = 0;
        return value;
    }
    std::filesystem::path folder_;
    std::unique_ptr<corvane::DefaultsStore> store_;
};

// An engine on the shared server with a defaults store of its own, a JACK
// client named `recorderName` that records (and, to the engine, is an output
// device of that name), and the engine's reconfigurations counted.
class AudioEngineTest : public ::testing::Test {
protected:
    explicit AudioEngineTest(const std::string& recorderName) : recorder(recorderName) {}

    void SetUp() override
    {
        engine = std::make_unique<corvane::PianoAudioEngine>(*defaults, corvane::AudioHostAPI::jack);
        engine->onWillReconfigure = [this] { ++reconfigurations; };
    }

    // The built-in piano loads on a worker after the engine is made, a
    // second or so; notes played before it has arrived are silent.
    bool waitForBuiltInPiano()
    {
        return processEventsUntil([&] { return !engine->isLoadingBuiltInPiano(); }, std::chrono::seconds(15));
    }

    JackTestServer& server = sharedJackServer(); // before any client
    TemporaryDefaults defaults;
    JackRecorder recorder;
    std::unique_ptr<corvane::PianoAudioEngine> engine; // destroyed before the recorder and the store
    int reconfigurations = 0;
};
