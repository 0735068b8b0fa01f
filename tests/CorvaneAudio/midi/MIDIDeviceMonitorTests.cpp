// The monitor's own rules (which sources it connects, what it stores, what it
// sends, what it delivers) on a MIDI system the test controls.
#include "CorvaneAudio/midi/FakeMIDIPortSystem.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/QtEventLoop.hpp"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

using namespace corvane;
using namespace std::chrono_literals;

// Counts the allocations of the thread that asks for it, so that a test can
// show the receive path allocates nothing (it may run on JACK's real-time thread).
namespace {
thread_local bool countingAllocations = false;
thread_local int countedAllocations = 0;
} // namespace

void* operator new(std::size_t size)
{
    if (countingAllocations) ++countedAllocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

constexpr const char* inputKey = "midi.selectedInputUniqueID";
constexpr const char* outputKey = "midi.selectedOutputUniqueID";
constexpr const char* inputNameKey = "midi.selectedInputName";
constexpr const char* outputNameKey = "midi.selectedOutputName";

class MIDIDeviceMonitorRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory_.isValid());
        defaults_ = std::make_unique<DefaultsStore>(directory_.filePath("defaults.json").toStdString());
        state_->sources = {endpoint(11, 100, "Piano"), endpoint(12, 200, "Pads"), endpoint(13, 300, "Drums", true)};
        state_->destinations = {endpoint(21, 400, "Synth A"), endpoint(22, 500, "Synth B"),
                                endpoint(23, 600, "Synth Off", true)};
    }

    std::unique_ptr<MIDIDeviceMonitor> makeMonitor()
    {
        auto monitor = std::make_unique<MIDIDeviceMonitor>(*defaults_, std::make_unique<FakeMIDIPortSystem>(state_));
        monitor->onEvent = [this](const MIDIInputEvent& event) { events_.push_back(event); };
        monitor->onInputRoutingChanged = [this] { ++routingChanges_; };
        monitor->onOutputSelectionChanged = [this] { ++outputChanges_; };
        return monitor;
    }

    static UMPEventPacket packet(std::initializer_list<std::uint32_t> words)
    {
        UMPEventPacket p;
        p.timeStamp = 1;
        for (const auto word : words) p.words[p.wordCount++] = word;
        return p;
    }

    QTemporaryDir directory_;
    std::unique_ptr<DefaultsStore> defaults_;
    std::shared_ptr<FakeMIDIState> state_ = std::make_shared<FakeMIDIState>();
    std::vector<MIDIInputEvent> events_;
    int routingChanges_ = 0;
    int outputChanges_ = 0;
};

TEST_F(MIDIDeviceMonitorRules, CreationFailsAtEachStepReleasingWhatItMade)
{
    using Error = MIDIDeviceMonitorError;
    const auto failure = [&]() -> std::optional<Error> {
        state_->destroyed = false;
        try {
            MIDIDeviceMonitor monitor(*defaults_, std::make_unique<FakeMIDIPortSystem>(state_));
        } catch (const Error& error) {
            return error;
        }
        return std::nullopt;
    };
    state_->clientStatus = -7;
    EXPECT_EQ(failure(), Error(Error::ClientCreationFailed{-7}));
    EXPECT_TRUE(state_->destroyed);
    state_->clientStatus = 0;
    state_->inputPortStatus = -8;
    EXPECT_EQ(failure(), Error(Error::InputPortCreationFailed{-8}));
    EXPECT_TRUE(state_->destroyed);
    EXPECT_FALSE(state_->receiver) << "nothing may call into a monitor that does not exist";
    state_->inputPortStatus = 0;
    state_->outputPortStatus = -9;
    EXPECT_EQ(failure(), Error(Error::OutputPortCreationFailed{-9}));
    EXPECT_TRUE(state_->destroyed);
    EXPECT_TRUE(state_->connected.empty());
}

TEST_F(MIDIDeviceMonitorRules, WithNothingStoredConnectsEveryOnlineSourceAndPlaysInternally)
{
    auto monitor = makeMonitor();
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{11, 12}));
    EXPECT_TRUE(monitor->usesInternalOutput());
    EXPECT_EQ(monitor->selectedInputDisplayName(), std::nullopt);
    ASSERT_EQ(monitor->sources().size(), 3u);
    EXPECT_EQ(monitor->sources()[0].displayName, "Drums");
    EXPECT_TRUE(monitor->sources()[0].isOffline);
    EXPECT_TRUE(defaults_->keys().empty()) << "nothing is stored before the user chooses";
}

TEST_F(MIDIDeviceMonitorRules, StoredChoicesOfAbsentDevicesConnectNothingAndShowStoredNames)
{
    defaults_->setInteger(inputKey, 999);
    defaults_->setString(inputNameKey, "Teclado da sala");
    defaults_->setInteger(outputKey, 998);
    defaults_->setString(outputNameKey, "Sintetizador");
    auto monitor = makeMonitor();
    EXPECT_TRUE(state_->connected.empty());
    EXPECT_EQ(monitor->selectedInputDisplayName(), "Teclado da sala");
    EXPECT_EQ(monitor->selectedOutputDisplayName(), "Sintetizador");
    EXPECT_TRUE(monitor->usesInternalOutput());
    EXPECT_FALSE(monitor->sendAllNotesOff());
    EXPECT_TRUE(state_->sent.empty());

    // The keyboard is plugged in: connected by the next poll, and its name stored.
    state_->sources.push_back(endpoint(14, 999, "Teclado novo"));
    ASSERT_TRUE(processEventsUntil([&] { return state_->connected.contains(14); }, 2s));
    EXPECT_EQ(routingChanges_, 1);
    EXPECT_EQ(defaults_->stringValue(inputNameKey), "Teclado novo");
    EXPECT_EQ(monitor->selectedInputDisplayName(), "Teclado novo");

    // The chosen instrument returns: notes go out again, and the controller hears of it.
    EXPECT_EQ(outputChanges_, 0);
    state_->destinations.push_back(endpoint(24, 998, "Sintetizador novo"));
    monitor->refresh();
    EXPECT_FALSE(monitor->usesInternalOutput());
    EXPECT_EQ(outputChanges_, 1);
    EXPECT_EQ(defaults_->stringValue(outputNameKey), "Sintetizador novo");
}

TEST_F(MIDIDeviceMonitorRules, StoredIdsKeepTheirLow32BitsAndOtherValuesAreIgnored)
{
    defaults_->setInteger(inputKey, (std::int64_t{5} << 32) + 100);
    defaults_->setDouble(outputKey, 400.0);
    auto monitor = makeMonitor();
    EXPECT_EQ(monitor->selectedInputID(), 100);
    EXPECT_EQ(monitor->selectedOutputID(), 400);
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{11}));
    EXPECT_FALSE(monitor->usesInternalOutput());

    defaults_->setString(inputKey, "100");
    defaults_->setBool(outputKey, true);
    auto another = makeMonitor();
    EXPECT_EQ(another->selectedInputID(), std::nullopt);
    EXPECT_EQ(another->selectedOutputID(), std::nullopt);
}

TEST_F(MIDIDeviceMonitorRules, ChoosingInputsReconnectsAndReportsOnlyRealRoutingChanges)
{
    state_->sources = {endpoint(11, 100, "Piano"), endpoint(13, 300, "Drums", true)};
    auto monitor = makeMonitor();
    ASSERT_EQ(state_->connected, (std::set<MIDIEndpointRef>{11}));

    monitor->selectInput(100); // the only connected one: the set stays
    EXPECT_EQ(routingChanges_, 0);
    EXPECT_EQ(defaults_->integerValue(inputKey), 100);
    EXPECT_EQ(defaults_->stringValue(inputNameKey), "Piano");

    monitor->selectInput(300); // offline: listed, named, never connected
    EXPECT_TRUE(state_->connected.empty());
    EXPECT_EQ(routingChanges_, 1);
    EXPECT_EQ(monitor->selectedInputDisplayName(), "Drums");

    state_->sources[1].offline = 0; // it comes online
    monitor->refresh();
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{13}));
    EXPECT_EQ(routingChanges_, 2);

    monitor->selectInput(std::nullopt);
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{11, 13}));
    EXPECT_FALSE(defaults_->contains(inputKey));
    EXPECT_FALSE(defaults_->contains(inputNameKey));
}

TEST_F(MIDIDeviceMonitorRules, FailedConnectionsAreReportedAndRetriedUntilTheySucceed)
{
    state_->connectFailures[12] = {-3, -3};
    auto monitor = makeMonitor();
    EXPECT_EQ(monitor->connectionErrors(), (std::map<std::int32_t, MIDIStatus>{{200, -3}}));
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{11}));

    int errorSignals = 0;
    QObject::connect(monitor.get(), &MIDIDeviceMonitor::connectionErrorsChanged, [&] { ++errorSignals; });
    monitor->refresh(); // fails again: same map, no notification
    EXPECT_EQ(errorSignals, 0);
    const int callsBefore = state_->connectCalls;
    // The poll retries on its own while an error stands; the connected one is left alone.
    ASSERT_TRUE(processEventsUntil([&] { return monitor->connectionErrors().empty(); }, 2s));
    EXPECT_EQ(state_->connectCalls, callsBefore + 1);
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{11, 12}));
    EXPECT_EQ(errorSignals, 1);
}

TEST_F(MIDIDeviceMonitorRules, ObservablePropertiesNotifyOnlyOnChange)
{
    auto monitor = makeMonitor();
    int sourceSignals = 0, inputSignals = 0;
    QObject::connect(monitor.get(), &MIDIDeviceMonitor::sourcesChanged, [&] { ++sourceSignals; });
    QObject::connect(monitor.get(), &MIDIDeviceMonitor::selectedInputIDChanged, [&] { ++inputSignals; });
    monitor->refresh();
    monitor->selectInput(std::nullopt);
    EXPECT_EQ(sourceSignals, 0);
    EXPECT_EQ(inputSignals, 0);
    state_->sources.pop_back();
    monitor->refresh();
    monitor->selectInput(100);
    EXPECT_EQ(sourceSignals, 1);
    EXPECT_EQ(inputSignals, 1);
}

TEST_F(MIDIDeviceMonitorRules, OutputChoiceIsStoredAndSilencesTheOldDestination)
{
    auto monitor = makeMonitor();
    monitor->selectOutput(400);
    EXPECT_EQ(outputChanges_, 1);
    EXPECT_TRUE(state_->sent.empty()) << "nothing to silence while playing internally";
    EXPECT_EQ(defaults_->integerValue(outputKey), 400);
    EXPECT_EQ(defaults_->stringValue(outputNameKey), "Synth A");

    monitor->selectOutput(400);
    EXPECT_EQ(outputChanges_, 1) << "the same choice again does nothing";

    monitor->selectOutput(500);
    ASSERT_EQ(state_->sent.size(), 32u);
    for (std::size_t i = 0; i < 32; ++i) {
        const std::uint32_t channel = i / 2;
        const std::uint32_t controller = i % 2 == 0 ? 64 : 123;
        EXPECT_EQ(state_->sent[i], std::make_pair(MIDIEndpointRef{21}, 0x20B00000u | channel << 16 | controller << 8)) << i;
    }
    EXPECT_EQ(outputChanges_, 2);

    // An offline destination counts as internal and shows the stored name.
    monitor->selectOutput(600);
    EXPECT_TRUE(monitor->usesInternalOutput());
    EXPECT_EQ(monitor->selectedOutputDisplayName(), "Synth Off");
    defaults_->setString(outputNameKey, "Guardado");
    EXPECT_EQ(monitor->selectedOutputDisplayName(), "Guardado");

    monitor->selectOutput(std::nullopt);
    EXPECT_FALSE(defaults_->contains(outputKey));
    EXPECT_FALSE(defaults_->contains(outputNameKey));
}

TEST_F(MIDIDeviceMonitorRules, MessagesAreEncodedAsSingleChannelVoiceWords)
{
    auto monitor = makeMonitor();
    monitor->selectOutput(400);
    state_->sent.clear();
    EXPECT_TRUE(monitor->sendNoteOn(60, 100, 0));
    EXPECT_TRUE(monitor->sendNoteOff(200, 17));
    EXPECT_TRUE(monitor->sendControlChange(64, 255, 15));
    EXPECT_TRUE(monitor->sendProgramChange(130, 3));
    EXPECT_TRUE(monitor->sendPitchBend(20000, 0));
    EXPECT_TRUE(monitor->sendPitchBend(8192, 0));
    EXPECT_TRUE(monitor->sendPitchBend(1, 0));
    const std::vector<std::uint32_t> expected = {0x20903C64, 0x20814800, 0x20BF407F, 0x20C30200,
                                                 0x20E07F7F, 0x20E00040, 0x20E00100};
    ASSERT_EQ(state_->sent.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(state_->sent[i].first, 21u);
        EXPECT_EQ(state_->sent[i].second, expected[i]) << std::hex << state_->sent[i].second;
    }
}

TEST_F(MIDIDeviceMonitorRules, SendFailuresAreKeptUntilTheNextSuccess)
{
    auto monitor = makeMonitor();
    monitor->selectOutput(400);
    state_->sent.clear();
    int errorSignals = 0;
    QObject::connect(monitor.get(), &MIDIDeviceMonitor::outputErrorChanged, [&] { ++errorSignals; });

    state_->sendStatuses = {-4};
    EXPECT_FALSE(monitor->sendNoteOn(60, 1, 0));
    EXPECT_EQ(monitor->outputError(), -4);
    EXPECT_TRUE(monitor->sendNoteOn(60, 1, 0));
    EXPECT_EQ(monitor->outputError(), std::nullopt);
    EXPECT_EQ(errorSignals, 2);

    // One failure among the 32: all are still sent, the result says it failed.
    state_->sent.clear();
    state_->sendStatuses = {0, 0, 0, -4};
    EXPECT_FALSE(monitor->sendAllNotesOff());
    EXPECT_EQ(state_->sent.size(), 32u);
    EXPECT_EQ(monitor->outputError(), std::nullopt) << "left as the last message set it";

    // The destination goes offline: sends fail quietly, the error is cleared.
    state_->sendStatuses = {-4};
    EXPECT_FALSE(monitor->sendNoteOn(60, 1, 0));
    state_->destinations[0].offline = 1;
    monitor->refresh();
    EXPECT_EQ(monitor->outputError(), std::nullopt);
    state_->sent.clear();
    EXPECT_FALSE(monitor->sendNoteOn(60, 1, 0));
    EXPECT_FALSE(monitor->sendAllNotesOff());
    EXPECT_TRUE(state_->sent.empty());
}

TEST_F(MIDIDeviceMonitorRules, DeliversOnTheMainThreadInOrderFilteredByTheChoiceAtDelivery)
{
    auto monitor = makeMonitor();
    std::thread receiveThread([&] {
        state_->receiver(100, packet({0x20903C40, 0x20803C00}));
        state_->receiver(200, packet({0x20B10740}));
        state_->receiver(100, packet({0x10F80000})); // a clock: nothing to deliver
    });
    receiveThread.join();
    EXPECT_TRUE(events_.empty()) << "delivery waits for the main thread";
    ASSERT_TRUE(processEventsUntil([&] { return events_.size() == 3; }, 1s));
    EXPECT_EQ(events_[0].message, (MIDIInputMessage::NoteOn{60, 64}));
    EXPECT_EQ(events_[1].message, (MIDIInputMessage::NoteOff{60, 0}));
    EXPECT_EQ(events_[2].sourceID, 200);
    EXPECT_EQ(events_[2].channel, 1);

    // Events already on their way from a source no longer chosen are dropped.
    events_.clear();
    state_->receiver(100, packet({0x20903C40}));
    state_->receiver(200, packet({0x20903D40}));
    monitor->selectInput(200);
    processEventsFor(50ms);
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].sourceID, 200);
}

TEST_F(MIDIDeviceMonitorRules, AFloodIsCutAtTheBoundAndDeliveryRecovers)
{
    auto monitor = makeMonitor();
    const int sent = MIDIDeviceMonitor::maximumPendingEvents + 1000;
    std::thread receiveThread([&] {
        for (int i = 0; i < sent; ++i) state_->receiver(100, packet({0x20903C40}));
    });
    receiveThread.join();
    processEventsFor(200ms);
    EXPECT_EQ(events_.size(), static_cast<std::size_t>(MIDIDeviceMonitor::maximumPendingEvents));

    events_.clear();
    state_->receiver(100, packet({0x20803C00}));
    ASSERT_TRUE(processEventsUntil([&] { return events_.size() == 1; }, 1s));
}

TEST_F(MIDIDeviceMonitorRules, ReceivingAllocatesNothingOnTheReceiveThread)
{
    auto monitor = makeMonitor();
    int allocations = -1;
    std::thread receiveThread([&] {
        countingAllocations = true;
        for (int i = 0; i < 100; ++i) {
            state_->receiver(100, packet({0x20903C40, 0x20E00040, 0x10F80000}));
            UMPEventPacket now = packet({0x20803C00});
            now.timeStamp = 0;
            state_->receiver(200, now);
        }
        countingAllocations = false;
        allocations = countedAllocations;
    });
    receiveThread.join();
    EXPECT_EQ(allocations, 0);
    ASSERT_TRUE(processEventsUntil([&] { return events_.size() == 300; }, 1s));
    EXPECT_EQ(events_[1].message, (MIDIInputMessage::PitchBend{8192}));
    EXPECT_NE(events_[2].timestamp, 0u);
}

TEST_F(MIDIDeviceMonitorRules, SeveralReceiveThreadsLoseNothingAndKeepEachSourcesOrder)
{
    auto monitor = makeMonitor();
    std::atomic<int> sent{0};
    std::atomic<int> delivered{0};
    std::atomic<bool> stop{false};
    monitor->onEvent = [&](const MIDIInputEvent& event) {
        events_.push_back(event);
        ++delivered;
    };
    constexpr int threads = 4;
    constexpr int perThread = 3000; // together more than the queue holds: delivery runs meanwhile
    std::vector<std::thread> receiveThreads;
    for (int t = 0; t < threads; ++t) {
        receiveThreads.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                // Stay well inside the queue's bound, so that nothing is dropped for being full.
                while (!stop && sent.load() - delivered.load() > MIDIDeviceMonitor::maximumPendingEvents / 4)
                    std::this_thread::yield();
                // The sequence number rides in the controller and value of a control change.
                const auto word = 0x20B00000u | (std::uint32_t(i >> 7) << 8) | std::uint32_t(i & 0x7F);
                state_->receiver(100 * (t + 1), packet({word}));
                ++sent;
            }
        });
    }
    const bool all = processEventsUntil([&] { return delivered.load() == threads * perThread; }, 20s);
    stop = true;
    for (auto& thread : receiveThreads) thread.join();
    ASSERT_TRUE(all) << delivered.load();
    std::map<std::int32_t, int> next;
    for (const MIDIInputEvent& event : events_) {
        const auto* change = event.message.as<MIDIInputMessage::ControlChange>();
        ASSERT_NE(change, nullptr);
        ASSERT_EQ(change->controller * 128 + change->value, next[event.sourceID]++) << event.sourceID;
    }
}

TEST_F(MIDIDeviceMonitorRules, EventsPostedBeforeTheMonitorGoesAwayAreDroppedSafely)
{
    auto monitor = makeMonitor();
    state_->receiver(100, packet({0x20903C40}));
    monitor.reset();
    EXPECT_TRUE(state_->destroyed);
    processEventsFor(50ms);
    EXPECT_TRUE(events_.empty());
}

} // namespace

namespace {

TEST_F(MIDIDeviceMonitorRules, NotificationsRefreshAtTheNextTurnOnceForABurst)
{
    auto monitor = makeMonitor();
    ASSERT_TRUE(state_->changed);
    const int listings = state_->sourceListings;
    state_->sources.push_back(endpoint(14, 700, "Organ"));
    // The system's own thread, many times over before the main thread runs.
    std::thread notifier([&] {
        for (int i = 0; i < 100; ++i) state_->changed();
    });
    notifier.join();
    EXPECT_EQ(state_->sourceListings, listings) << "nothing is listed on the notifying thread";
    processEventsFor(20ms);
    EXPECT_EQ(state_->sourceListings, listings + 1);
    EXPECT_TRUE(state_->connected.contains(14));
    EXPECT_EQ(routingChanges_, 1);

    // A notification still on its way when the monitor goes reaches nobody.
    state_->changed();
    monitor.reset();
    EXPECT_FALSE(state_->changed);
    processEventsFor(20ms);
    EXPECT_EQ(state_->sourceListings, listings + 1);
}

TEST_F(MIDIDeviceMonitorRules, APortThatCameBackIsConnectedAgainUnderItsNewEndpoint)
{
    defaults_->setInteger(inputKey, 100);
    defaults_->setInteger(outputKey, 400);
    auto monitor = makeMonitor();
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{11}));
    ASSERT_TRUE(monitor->sendNoteOn(60, 1, 0));
    EXPECT_EQ(state_->sent.back().first, 21u);

    // Gone: nothing connected, the output falls back to the internal instrument.
    state_->sources.erase(state_->sources.begin());
    state_->destinations.erase(state_->destinations.begin());
    state_->changed();
    processEventsFor(20ms);
    EXPECT_TRUE(state_->connected.empty());
    EXPECT_TRUE(monitor->usesInternalOutput());
    EXPECT_EQ(routingChanges_, 1);

    // Back under the same names and ids but new endpoints.
    state_->sources.push_back(endpoint(31, 100, "Piano"));
    state_->destinations.push_back(endpoint(41, 400, "Synth A"));
    state_->changed();
    processEventsFor(20ms);
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{31}));
    EXPECT_EQ(routingChanges_, 2);
    EXPECT_FALSE(monitor->usesInternalOutput());
    ASSERT_TRUE(monitor->sendNoteOn(61, 1, 0));
    EXPECT_EQ(state_->sent.back().first, 41u);

    // Replaced between two refreshes: only the endpoint tells, and it is enough.
    state_->sources.back().endpoint = 32;
    monitor->refresh();
    EXPECT_EQ(state_->connected, (std::set<MIDIEndpointRef>{32}));
    EXPECT_EQ(routingChanges_, 3);
    EXPECT_EQ(monitor->selectedInputID(), 100);
}

} // namespace

namespace {

TEST_F(MIDIDeviceMonitorRules, HundredsOfNewSourcesAreConnectedOverSeveralTurns)
{
    auto monitor = makeMonitor();
    for (MIDIEndpointRef i = 0; i < 300; ++i)
        state_->sources.push_back(endpoint(1000 + i, 5000 + static_cast<std::int32_t>(i), "Teclado " + std::to_string(i)));
    const int calls = state_->connectCalls;
    monitor->refresh();
    EXPECT_EQ(state_->connectCalls - calls, MIDIDeviceMonitor::maximumConnectionsPerRefresh);
    EXPECT_EQ(monitor->sources().size(), 303u) << "all listed at once";
    EXPECT_TRUE(monitor->connectionErrors().empty()) << "not yet tried is no error";
    ASSERT_TRUE(processEventsUntil([&] { return state_->connected.size() == 302; }, 5s));
    EXPECT_EQ(state_->connectCalls - calls, 300);
}

} // namespace
