// Devices that come and go under the monitor on a private JACK server: ports
// registered again under the same name, a server that stops and starts again,
// and what JACK knows of a port's maker and model.
#include "FlappingKeyboard.hpp"
#include "support/JackTestClient.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/JackTestServer.hpp"
#include "support/QtEventLoop.hpp"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// Well under the poll's interval: only a notification can have done it.
constexpr auto notified = std::chrono::milliseconds(MIDIDeviceMonitor::pollIntervalMilliseconds / 2);

template <class Entry> const Entry* named(const std::vector<Entry>& entries, const std::string& name)
{
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.displayName == name; });
    return it == entries.end() ? nullptr : &*it;
}

class MIDIDeviceMonitorReplug : public ::testing::Test {
protected:
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

    // Plays `note` and waits for it to arrive.
    template <class Keyboard> bool noteArrives(Keyboard& keyboard, unsigned char note)
    {
        events_.clear();
        keyboard.send({0x90, note, 100});
        return processEventsUntil(
            [&] {
                return std::any_of(events_.begin(), events_.end(), [&](const MIDIInputEvent& event) {
                    return event.message == MIDIInputMessage{MIDIInputMessage::NoteOn{note, 100}};
                });
            },
            3s);
    }

    static std::unique_ptr<RealtimeJackTestServer> server_;
    QTemporaryDir directory_;
    std::unique_ptr<DefaultsStore> defaults_;
    std::vector<MIDIInputEvent> events_;
};

std::unique_ptr<RealtimeJackTestServer> MIDIDeviceMonitorReplug::server_;

TEST_F(MIDIDeviceMonitorReplug, AnInputRegisteredAgainIsReconnectedWhetherChosenOrNot)
{
    for (const bool chosen : {true, false}) {
        SCOPED_TRACE(chosen ? "chosen input" : "every input");
        JackTestClient keyboard(chosen ? "Cliente Escolhido" : "Cliente Qualquer", "Teclado",
                                JackTestClient::Direction::keyboard);
        auto monitor = makeMonitor();
        const MIDIInputSource* source = named(monitor->sources(), keyboard.portName());
        ASSERT_NE(source, nullptr);
        const std::int32_t id = source->id;
        const MIDIEndpointRef endpoint = source->endpoint;
        monitor->selectInput(chosen ? std::optional(id) : std::nullopt);
        ASSERT_TRUE(noteArrives(keyboard, 60));
        EXPECT_EQ(events_.front().sourceID, id);

        int routingChanges = 0;
        monitor->onInputRoutingChanged = [&] { ++routingChanges; };
        keyboard.registerAgain(50ms);
        ASSERT_TRUE(processEventsUntil([&] { return keyboard.isConnected(); }, notified));
        const MIDIInputSource* back = named(monitor->sources(), keyboard.portName());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->id, id) << "the same device to the user";
        EXPECT_NE(back->endpoint, endpoint) << "another port to the system";
        EXPECT_GE(routingChanges, 1);
        ASSERT_TRUE(noteArrives(keyboard, 62));
        EXPECT_EQ(events_.front().sourceID, id);

        // Unplugged and plugged in again at once, before the monitor could list it.
        keyboard.registerAgain(0ms);
        ASSERT_TRUE(processEventsUntil([&] { return keyboard.isConnected(); }, notified));
        ASSERT_TRUE(noteArrives(keyboard, 64));
    }
}

TEST_F(MIDIDeviceMonitorReplug, TheChosenOutputRegisteredAgainPlaysAgain)
{
    JackTestClient instrument("Cliente Sintetizador", "Sintetizador", JackTestClient::Direction::instrument);
    auto monitor = makeMonitor();
    const MIDIOutputDestination* destination = named(monitor->destinations(), instrument.portName());
    ASSERT_NE(destination, nullptr);
    monitor->selectOutput(destination->id);
    ASSERT_TRUE(monitor->sendNoteOn(60, 100, 0));
    ASSERT_TRUE(processEventsUntil([&] { return !instrument.messages().empty(); }, 3s));

    int outputChanges = 0;
    monitor->onOutputSelectionChanged = [&] { ++outputChanges; };
    instrument.unregisterPort();
    ASSERT_TRUE(processEventsUntil([&] { return monitor->usesInternalOutput(); }, notified));
    instrument.registerPort();
    ASSERT_TRUE(processEventsUntil([&] { return !monitor->usesInternalOutput(); }, notified));
    EXPECT_EQ(outputChanges, 2) << "to the internal instrument and back";
    EXPECT_TRUE(monitor->sendNoteOn(61, 100, 0));
    ASSERT_TRUE(processEventsUntil([&] { return instrument.messages().size() >= 2; }, 3s));
    EXPECT_EQ(instrument.messages().back(), (std::vector<unsigned char>{0x90, 61, 100}));
    EXPECT_EQ(monitor->outputError(), std::nullopt);
}

TEST_F(MIDIDeviceMonitorReplug, APortFlappingManyTimesASecondEndsConnected)
{
    auto keyboard = std::make_unique<FlappingKeyboard>("Cliente Instavel", "Teclado");
    auto monitor = makeMonitor();
    ASSERT_NE(named(monitor->sources(), keyboard->portName()), nullptr);
    // A hundred changes a second for half a second, the main loop running meanwhile.
    keyboard->flap(50, 5ms);
    ASSERT_TRUE(processEventsUntil([&] { return keyboard->hasFlapped(); }, 20s));
    if (keyboard->crashed()) {
        // libjack of the flapping client, not the monitor: the device comes back once more, as after a restart.
        RecordProperty("flapping_client", "crashed and started again");
        std::fprintf(stderr, "the flapping client crashed; another stands in for it\n");
        keyboard = std::make_unique<FlappingKeyboard>("Cliente Instavel", "Teclado");
    }
    ASSERT_TRUE(processEventsUntil([&] { return keyboard->isConnected(); }, 3s));
    EXPECT_TRUE(noteArrives(*keyboard, 70));
    EXPECT_EQ(std::count_if(monitor->sources().begin(), monitor->sources().end(),
                            [&](const MIDIInputSource& s) { return s.displayName == keyboard->portName(); }),
              1);

    // The monitor goes while notifications keep coming: none reaches it.
    keyboard->flap(20, 2ms);
    processEventsFor(30ms);
    monitor.reset();
    processEventsUntil([&] { return keyboard->hasFlapped(); }, 20s);
    processEventsFor(50ms);
}

TEST_F(MIDIDeviceMonitorReplug, MakerAndModelComeFromMetadataAndAliases)
{
    JackTestClient described("Cliente Descrito", "Teclado", JackTestClient::Direction::keyboard);
    JackTestClient aliased("Cliente Apelidado", "Teclado", JackTestClient::Direction::keyboard);
    JackTestClient plain("Cliente Simples", "Teclado", JackTestClient::Direction::keyboard);
    aliased.setAlias("alsa_pcm:Piano-de-Palco/midi_capture_1");
    const bool metadata = described.setProperty(JACK_METADATA_PRETTY_NAME, "Piano Digital MIDI 1") &&
                          described.setProperty(JACK_METADATA_HARDWARE, "Fabricante Exemplo");
    auto monitor = makeMonitor();

    const MIDIInputSource* fromAlias = named(monitor->sources(), aliased.portName());
    ASSERT_NE(fromAlias, nullptr);
    EXPECT_EQ(fromAlias->model, "Piano de Palco");
    EXPECT_EQ(fromAlias->manufacturer, std::nullopt);
    const MIDIInputSource* bare = named(monitor->sources(), plain.portName());
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->model, std::nullopt);
    EXPECT_EQ(bare->manufacturer, std::nullopt);
    if (!metadata) GTEST_SKIP() << "this JACK server keeps no metadata";
    const MIDIInputSource* fromMetadata = named(monitor->sources(), described.portName());
    ASSERT_NE(fromMetadata, nullptr);
    EXPECT_EQ(fromMetadata->model, "Piano Digital MIDI 1");
    EXPECT_EQ(fromMetadata->manufacturer, "Fabricante Exemplo");

    // Metadata changed later is seen without a refresh by hand.
    ASSERT_TRUE(plain.setProperty(JACK_METADATA_PRETTY_NAME, "Controlador"));
    EXPECT_TRUE(processEventsUntil([&] { return named(monitor->sources(), plain.portName())->model == "Controlador"; },
                                   notified));
}

TEST(MIDIDeviceMonitorServerRestart, TheMonitorOutlivesItsServerAndFindsThePortAgain)
{
    QTemporaryDir directory;
    DefaultsStore defaults(directory.filePath("defaults.json").toStdString());
    auto server = std::make_unique<RealtimeJackTestServer>(1024);
    std::vector<MIDIInputEvent> events;
    std::int32_t id = 0;
    MIDIDeviceMonitor monitor(defaults, MIDIApi::jack);
    monitor.onEvent = [&](const MIDIInputEvent& event) { events.push_back(event); };
    {
        JackTestClient keyboard("Cliente Reiniciado", "Teclado", JackTestClient::Direction::keyboard);
        monitor.refresh();
        const MIDIInputSource* source = named(monitor.sources(), keyboard.portName());
        ASSERT_NE(source, nullptr);
        id = source->id;
        monitor.selectInput(id);
    }
    server->stop();
    ASSERT_TRUE(processEventsUntil([&] { return monitor.sources().empty(); }, 5s));
    EXPECT_EQ(monitor.selectedInputID(), id);

    server = std::make_unique<RealtimeJackTestServer>(1024);
    JackTestClient keyboard("Cliente Reiniciado", "Teclado", JackTestClient::Direction::keyboard);
    const auto poll = std::chrono::milliseconds(MIDIDeviceMonitor::pollIntervalMilliseconds);
    ASSERT_TRUE(processEventsUntil([&] { return keyboard.isConnected(); }, 3 * poll));
    ASSERT_NE(named(monitor.sources(), keyboard.portName()), nullptr);
    EXPECT_EQ(named(monitor.sources(), keyboard.portName())->id, id);
    keyboard.send({0x90, 48, 20});
    ASSERT_TRUE(processEventsUntil([&] { return !events.empty(); }, 3s));
    EXPECT_EQ(events.front().sourceID, id);
}

} // namespace
