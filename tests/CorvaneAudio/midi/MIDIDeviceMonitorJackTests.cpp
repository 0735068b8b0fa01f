// The monitor on a real MIDI system: a private JACK server with the dummy
// driver, and test clients with virtual ports standing in for a keyboard and
// an external instrument.
#include "CorvaneAudio/AudioThreadScheduling.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/JackTestClient.hpp"
#include "support/JackTestServer.hpp"
#include "support/QtEventLoop.hpp"
#include "support/ThreadScheduling.hpp"

#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// A virtual input port that records every message it receives.
class RecordingInstrument {
public:
    explicit RecordingInstrument(const std::string& clientName) : input_(RtMidi::UNIX_JACK, clientName)
    {
        input_.ignoreTypes(false, false, false);
        input_.setCallback(&RecordingInstrument::received, this);
        input_.openVirtualPort("in");
    }
    std::vector<std::vector<unsigned char>> messages() const
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    static void received(double, std::vector<unsigned char>* message, void* self)
    {
        auto* instrument = static_cast<RecordingInstrument*>(self);
        std::lock_guard lock(instrument->mutex_);
        instrument->messages_.push_back(*message);
    }
    RtMidiIn input_;
    mutable std::mutex mutex_;
    std::vector<std::vector<unsigned char>> messages_;
};

class MIDIDeviceMonitorOnJack : public ::testing::Test {
protected:
    // A long period: fewer periods for a loaded machine to schedule.
    static void SetUpTestSuite() { server_ = std::make_unique<RealtimeJackTestServer>(1024); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(directory_.isValid());
        defaults_ = std::make_unique<DefaultsStore>(directory_.filePath("defaults.json").toStdString());
    }

    std::unique_ptr<MIDIDeviceMonitor> makeMonitor()
    {
        auto monitor = std::make_unique<MIDIDeviceMonitor>(*defaults_, MIDIApi::jack);
        monitor->onEvent = [this](const MIDIInputEvent& event) { events_.push_back(event); };
        return monitor;
    }

    template <class Entry> static const Entry* named(const std::vector<Entry>& entries, const std::string& name)
    {
        const auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.displayName == name; });
        return it == entries.end() ? nullptr : &*it;
    }

    static std::unique_ptr<RealtimeJackTestServer> server_;
    QTemporaryDir directory_;
    std::unique_ptr<DefaultsStore> defaults_;
    std::vector<MIDIInputEvent> events_;
};

std::unique_ptr<RealtimeJackTestServer> MIDIDeviceMonitorOnJack::server_;

TEST_F(MIDIDeviceMonitorOnJack, ReceivesPlayedMessagesOnTheMainThreadInOrder)
{
    JackTestKeyboard keyboard("Test Keyboard");
    auto monitor = makeMonitor();
    const MIDIInputSource* source = named(monitor->sources(), "Test Keyboard:out");
    ASSERT_NE(source, nullptr);
    const std::int32_t sourceID = source->id;
    EXPECT_TRUE(monitor->connectionErrors().empty());

    const auto mainThread = std::this_thread::get_id();
    bool allOnMainThread = true;
    monitor->onEvent = [&](const MIDIInputEvent& event) {
        allOnMainThread = allOnMainThread && std::this_thread::get_id() == mainThread;
        events_.push_back(event);
    };
    const std::uint64_t before = hostTimeNow();
    keyboard.send({0x93, 60, 100});
    keyboard.send({0x83, 60, 64});
    keyboard.send({0x90, 62, 0});
    keyboard.send({0xB0, 64, 127});
    keyboard.send({0xE1, 0x00, 0x40});
    keyboard.send({0xC2, 5});
    ASSERT_TRUE(processEventsUntil([&] { return events_.size() >= 6; }, 3s)) << events_.size();
    processEventsFor(50ms);

    ASSERT_EQ(events_.size(), 6u);
    EXPECT_TRUE(allOnMainThread);
    const std::vector<std::pair<std::uint8_t, MIDIInputMessage>> expected = {
        {3, MIDIInputMessage::NoteOn{60, 100}},       {3, MIDIInputMessage::NoteOff{60, 64}},
        {0, MIDIInputMessage::NoteOff{62, 0}},        {0, MIDIInputMessage::ControlChange{64, 127}},
        {1, MIDIInputMessage::PitchBend{8192}},       {2, MIDIInputMessage::ProgramChange{5}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(events_[i].channel, expected[i].first) << i;
        EXPECT_EQ(events_[i].message, expected[i].second) << i;
        EXPECT_EQ(events_[i].sourceID, sourceID) << i;
        EXPECT_GE(events_[i].timestamp, before) << i;
        EXPECT_LE(events_[i].timestamp, hostTimeNow()) << i;
    }
}

TEST_F(MIDIDeviceMonitorOnJack, PassesOnlyTheChosenSourceOnceOneIsChosen)
{
    JackTestKeyboard first("Test Keyboard A");
    JackTestKeyboard second("Test Keyboard B");
    auto monitor = makeMonitor();
    const MIDIInputSource* a = named(monitor->sources(), "Test Keyboard A:out");
    const MIDIInputSource* b = named(monitor->sources(), "Test Keyboard B:out");
    ASSERT_TRUE(a && b);
    const std::int32_t idA = a->id, idB = b->id;

    // With no choice, both are heard.
    first.send({0x90, 60, 1});
    second.send({0x90, 61, 1});
    ASSERT_TRUE(processEventsUntil([&] { return events_.size() >= 2; }, 3s));
    events_.clear();

    int routingChanges = 0;
    monitor->onInputRoutingChanged = [&] { ++routingChanges; };
    monitor->selectInput(idB);
    EXPECT_EQ(routingChanges, 1);
    EXPECT_EQ(monitor->selectedInputDisplayName(), "Test Keyboard B:out");
    first.send({0x90, 70, 1});
    second.send({0x90, 71, 1});
    ASSERT_TRUE(processEventsUntil([&] { return !events_.empty(); }, 3s));
    processEventsFor(100ms);
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].sourceID, idB);
    EXPECT_EQ(events_[0].message, (MIDIInputMessage::NoteOn{71, 1}));
    EXPECT_NE(idA, idB);
}

TEST_F(MIDIDeviceMonitorOnJack, SendsByteExactMessagesToTheChosenDestination)
{
    RecordingInstrument instrument("Test Synth");
    auto monitor = makeMonitor();
    const MIDIOutputDestination* destination = named(monitor->destinations(), "Test Synth:in");
    ASSERT_NE(destination, nullptr);
    EXPECT_TRUE(monitor->usesInternalOutput());
    EXPECT_FALSE(monitor->sendNoteOn(60, 100, 0)) << "nothing is chosen yet";

    monitor->selectOutput(destination->id);
    EXPECT_FALSE(monitor->usesInternalOutput());
    EXPECT_TRUE(monitor->sendNoteOn(60, 100, 0));
    EXPECT_TRUE(monitor->sendNoteOff(200, 17));
    EXPECT_TRUE(monitor->sendControlChange(7, 99, 15));
    EXPECT_TRUE(monitor->sendProgramChange(5, 2));
    EXPECT_TRUE(monitor->sendPitchBend(20000, 0));
    EXPECT_TRUE(monitor->sendPitchBend(8192, 1));
    EXPECT_EQ(monitor->outputError(), std::nullopt);

    const std::vector<std::vector<unsigned char>> expected = {
        {0x90, 60, 100}, {0x81, 72, 0}, {0xBF, 7, 99}, {0xC2, 5}, {0xE0, 0x7F, 0x7F}, {0xE1, 0x00, 0x40},
    };
    ASSERT_TRUE(processEventsUntil([&] { return instrument.messages().size() >= expected.size(); }, 3s));
    EXPECT_EQ(instrument.messages(), expected);
}

TEST_F(MIDIDeviceMonitorOnJack, SilencesTheOldDestinationBeforeSwitching)
{
    RecordingInstrument oldSynth("Test Old Synth");
    RecordingInstrument newSynth("Test New Synth");
    auto monitor = makeMonitor();
    const MIDIOutputDestination* oldOne = named(monitor->destinations(), "Test Old Synth:in");
    const MIDIOutputDestination* newOne = named(monitor->destinations(), "Test New Synth:in");
    ASSERT_TRUE(oldOne && newOne);
    const std::int32_t newID = newOne->id;
    monitor->selectOutput(oldOne->id);
    ASSERT_TRUE(monitor->sendNoteOn(60, 100, 0));

    int selectionChanges = 0;
    monitor->onOutputSelectionChanged = [&] { ++selectionChanges; };
    monitor->selectOutput(newID);
    EXPECT_EQ(selectionChanges, 1);
    ASSERT_TRUE(monitor->sendNoteOn(61, 100, 0));

    std::vector<std::vector<unsigned char>> silencing;
    for (unsigned char channel = 0; channel < 16; ++channel) {
        silencing.push_back({static_cast<unsigned char>(0xB0 + channel), 64, 0});
        silencing.push_back({static_cast<unsigned char>(0xB0 + channel), 123, 0});
    }
    ASSERT_TRUE(processEventsUntil([&] { return oldSynth.messages().size() >= 33 && !newSynth.messages().empty(); }, 3s))
        << oldSynth.messages().size();
    auto heard = oldSynth.messages();
    ASSERT_EQ(heard.size(), 33u);
    EXPECT_EQ(heard.front(), (std::vector<unsigned char>{0x90, 60, 100}));
    EXPECT_EQ(std::vector(heard.begin() + 1, heard.end()), silencing);
    EXPECT_EQ(newSynth.messages(), (std::vector<std::vector<unsigned char>>{{0x90, 61, 100}}));

    // Choosing it again changes nothing and calls nobody.
    monitor->selectOutput(newID);
    EXPECT_EQ(selectionChanges, 1);
}

TEST_F(MIDIDeviceMonitorOnJack, ListsPortsThatComeAndGoWithinThePollInterval)
{
    auto monitor = makeMonitor();
    int routingChanges = 0;
    monitor->onInputRoutingChanged = [&] { ++routingChanges; };
    ASSERT_EQ(named(monitor->sources(), "Test Late Keyboard:out"), nullptr);
    {
        JackTestKeyboard late("Test Late Keyboard");
        const auto interval = std::chrono::milliseconds(MIDIDeviceMonitor::pollIntervalMilliseconds);
        ASSERT_TRUE(processEventsUntil([&] { return named(monitor->sources(), "Test Late Keyboard:out"); }, interval + 500ms));
        EXPECT_EQ(routingChanges, 1) << "a new online source is connected when no input is chosen";
        late.send({0x90, 64, 90});
        ASSERT_TRUE(processEventsUntil([&] { return !events_.empty(); }, 3s));
        EXPECT_EQ(events_[0].message, (MIDIInputMessage::NoteOn{64, 90}));
    }
    ASSERT_TRUE(processEventsUntil([&] { return !named(monitor->sources(), "Test Late Keyboard:out"); }, 2s));
    EXPECT_EQ(routingChanges, 2);
}

// The application makes the client on a worker and the monitor later on the
// main thread; a keyboard plugged in between must not be missed.
TEST_F(MIDIDeviceMonitorOnJack, AMonitorPreparedOnAnotherThreadHearsKeyboardsPluggedBeforeAndAfterIt)
{
    std::optional<PreparedMIDIPortSystem> prepared;
    std::thread worker([&] { prepared.emplace(PreparedMIDIPortSystem::prepare(MIDIApi::jack)); });
    worker.join();
    ASSERT_TRUE(prepared && prepared->system);

    JackTestKeyboard between("Test Between Keyboard");
    MIDIDeviceMonitor monitor(*defaults_, std::move(*prepared));
    monitor.onEvent = [this](const MIDIInputEvent& event) { events_.push_back(event); };
    ASSERT_NE(named(monitor.sources(), "Test Between Keyboard:out"), nullptr);
    between.send({0x90, 60, 80});
    ASSERT_TRUE(processEventsUntil([&] { return !events_.empty(); }, 3s));
    EXPECT_EQ(events_[0].message, (MIDIInputMessage::NoteOn{60, 80}));

    // Well within the poll interval: the notifications were installed too.
    JackTestKeyboard after("Test After Keyboard");
    ASSERT_TRUE(processEventsUntil([&] { return named(monitor.sources(), "Test After Keyboard:out"); }, 800ms));
    after.send({0x90, 62, 81});
    ASSERT_TRUE(processEventsUntil([&] { return events_.size() >= 2; }, 3s));
    EXPECT_EQ(events_[1].message, (MIDIInputMessage::NoteOn{62, 81}));
}

TEST_F(MIDIDeviceMonitorOnJack, ChoicesSurviveANewMonitorAndShowStoredNamesWhileAbsent)
{
    std::int32_t inputID = 0, outputID = 0;
    {
        JackTestKeyboard keyboard("Test Stored Keyboard");
        RecordingInstrument synth("Test Stored Synth");
        auto monitor = makeMonitor();
        const MIDIInputSource* source = named(monitor->sources(), "Test Stored Keyboard:out");
        const MIDIOutputDestination* destination = named(monitor->destinations(), "Test Stored Synth:in");
        ASSERT_TRUE(source && destination);
        inputID = source->id;
        outputID = destination->id;
        monitor->selectInput(inputID);
        monitor->selectOutput(outputID);
    }
    EXPECT_EQ(defaults_->integerValue(MIDIDeviceMonitor::selectedInputPreferenceKey), inputID);
    EXPECT_EQ(defaults_->stringValue(MIDIDeviceMonitor::selectedOutputNameKey), "Test Stored Synth:in");

    // Both devices are gone: the choice stays, named by what was stored.
    {
        auto monitor = makeMonitor();
        EXPECT_EQ(monitor->selectedInputID(), inputID);
        EXPECT_EQ(monitor->selectedOutputID(), outputID);
        EXPECT_TRUE(monitor->usesInternalOutput());
        EXPECT_EQ(monitor->selectedInputDisplayName(), "Test Stored Keyboard:out");
        EXPECT_EQ(monitor->selectedOutputDisplayName(), "Test Stored Synth:in");
        EXPECT_FALSE(monitor->sendNoteOn(60, 1, 0));
        EXPECT_EQ(monitor->outputError(), std::nullopt);
    }

    // Back again, under new JACK ports: the same ids, connected and playable.
    JackTestKeyboard keyboard("Test Stored Keyboard");
    RecordingInstrument synth("Test Stored Synth");
    auto monitor = makeMonitor();
    EXPECT_FALSE(monitor->usesInternalOutput());
    ASSERT_NE(named(monitor->sources(), "Test Stored Keyboard:out"), nullptr);
    EXPECT_EQ(named(monitor->sources(), "Test Stored Keyboard:out")->id, inputID);
    keyboard.send({0x90, 48, 33});
    ASSERT_TRUE(processEventsUntil([&] { return !events_.empty(); }, 3s));
    EXPECT_EQ(events_[0].sourceID, inputID);
    EXPECT_TRUE(monitor->sendNoteOn(48, 33, 0));
    ASSERT_TRUE(processEventsUntil([&] { return !synth.messages().empty(); }, 3s));
}

TEST_F(MIDIDeviceMonitorOnJack, DropsSystemAndBrokenMessagesButKeepsListening)
{
    JackTestKeyboard keyboard("Test Noisy Keyboard");
    auto monitor = makeMonitor();
    // A period the server skips on a busy machine loses its events: the whole
    // burst is sent again then, up to three times.
    for (int burst = 0; burst < 3 && events_.empty(); ++burst) {
        keyboard.send({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}); // identity request
        keyboard.send({0xF8});                              // clock
        keyboard.send({0xFA});                              // start
        keyboard.send({0x90, 60});                          // truncated
        keyboard.send({0xA0, 60, 10});                      // key pressure
        keyboard.send({0xD0, 10});                          // channel pressure
        keyboard.send({0x40, 0x40});                        // data without status
        keyboard.send({0x90, 61, 2});
        processEventsUntil([&] { return !events_.empty(); }, 3s);
    }
    processEventsFor(100ms);
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].message, (MIDIInputMessage::NoteOn{61, 2}));
}

// The server waits for the MIDI client each period as for the audio callback,
// so its process thread is scheduled as that one is: real time where this
// process may have it, else the short time slice.
TEST_F(MIDIDeviceMonitorOnJack, ItsProcessThreadIsScheduledAsTheAudioThreadIs)
{
    AudioThreadScheduling allowed;
    std::thread([&] { allowed = requestRealtimeScheduling(); }).join();
    JackTestKeyboard keyboard("Test Scheduled Keyboard"); // a source to carry
    auto monitor = makeMonitor();
    std::vector<pid_t> named;
    ASSERT_TRUE(processEventsUntil([&] { return !(named = threadsNamed("brelmo-midi")).empty(); }));
    ASSERT_EQ(named.size(), 1u); // one client, one thread
    std::optional<ThreadScheduling> state;
    // The name is given just before the request.
    ASSERT_TRUE(processEventsUntil([&] {
        state = threadScheduling(named[0]);
        return state && (state->policy == SCHED_FIFO || state->slice == allowed.slice);
    }));
    if (allowed.realtime) {
        EXPECT_EQ(state->policy, SCHED_FIFO);
    } else {
        EXPECT_EQ(state->policy, SCHED_OTHER);
        EXPECT_EQ(state->slice, allowed.slice);
    }
}

// The server waits every period for a client with a process callback, work
// or not: the monitor's client takes its place in the period only once it has
// a source to hear, and hears it from then on.
TEST_F(MIDIDeviceMonitorOnJack, JoinsTheServersPeriodOnlyOnceASourceIsHeard)
{
    auto monitor = makeMonitor();
    processEventsFor(300ms);
    EXPECT_TRUE(threadsNamed("brelmo-midi").empty());

    JackTestKeyboard keyboard("Test Late Keyboard");
    ASSERT_TRUE(processEventsUntil([&] {
        keyboard.send({0x90, 60, 1});
        processEventsFor(20ms);
        return !events_.empty();
    }, 5s));
    EXPECT_EQ(events_.front().message, (MIDIInputMessage::NoteOn{60, 1}));
    EXPECT_EQ(threadsNamed("brelmo-midi").size(), 1u);
}

TEST(MIDIDeviceMonitorWithoutServer, CreationFailsCleanlyWhenNoJackServerRuns)
{
    QTemporaryDir directory;
    DefaultsStore defaults(directory.filePath("defaults.json").toStdString());
    const std::string saved = std::getenv("JACK_DEFAULT_SERVER") ? std::getenv("JACK_DEFAULT_SERVER") : "";
    ::setenv("JACK_DEFAULT_SERVER", "brelmo-no-such-server", 1);
    try {
        MIDIDeviceMonitor monitor(defaults, MIDIApi::jack);
        ADD_FAILURE() << "a monitor without a MIDI system";
    } catch (const MIDIDeviceMonitorError& error) {
        EXPECT_NE(error.as<MIDIDeviceMonitorError::ClientCreationFailed>(), nullptr) << error.what();
    }
    // No sequencer device on this machine either: the default choice fails the same way.
    if (!alsaSequencerAvailable()) {
        EXPECT_THROW(MIDIDeviceMonitor{defaults}, MIDIDeviceMonitorError);
    }
    if (saved.empty()) {
        ::unsetenv("JACK_DEFAULT_SERVER");
    } else {
        ::setenv("JACK_DEFAULT_SERVER", saved.c_str(), 1);
    }
}

} // namespace
