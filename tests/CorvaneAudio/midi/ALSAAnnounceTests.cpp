// The ALSA sequencer's announcements as a USB keyboard produces them when it
// is unplugged and plugged in again (client 24 both times), and the names of
// the card behind a client. A test on a real sequencer runs where one exists.
#include "CorvaneAudio/midi/ALSAAnnounceTracker.hpp"
#include "CorvaneAudio/midi/ALSACardDetails.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/QtEventLoop.hpp"

#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <QTemporaryDir>

#include <algorithm>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

snd_seq_event_t announced(snd_seq_event_type_t type, int client, int port = 0)
{
    snd_seq_event_t event{};
    event.type = type;
    event.source = {SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE};
    event.data.addr = {static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
    return event;
}

snd_seq_event_t subscription(snd_seq_event_type_t type, int client, int port)
{
    snd_seq_event_t event = announced(type, 0);
    event.data.connect.sender = {static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
    event.data.connect.dest = {129, 0};
    return event;
}

TEST(ALSAAnnounceTracker, AReplugAtTheSameAddressIsAnotherPortAndNothingElseChanges)
{
    ALSAAnnounceTracker tracker;
    const std::uint64_t keyboard = tracker.generation(24, 0);
    const std::uint64_t synth = tracker.generation(128, 0);
    const std::uint64_t keyboardClient = tracker.clientGeneration(24);

    // Unplugged while we listened to it.
    const std::vector<snd_seq_event_t> unplug = {subscription(SND_SEQ_EVENT_PORT_UNSUBSCRIBED, 24, 0),
                                                 announced(SND_SEQ_EVENT_PORT_EXIT, 24, 0),
                                                 announced(SND_SEQ_EVENT_CLIENT_EXIT, 24)};
    std::vector<bool> relevant;
    for (const auto& event : unplug) relevant.push_back(tracker.apply(event));
    EXPECT_EQ(relevant, (std::vector<bool>{false, true, true})) << "a subscription changes no port";
    const std::uint64_t unplugged = tracker.generation(24, 0);
    EXPECT_NE(unplugged, keyboard);
    EXPECT_NE(tracker.clientGeneration(24), keyboardClient);

    // Back: starting is news, but it is the exit that told the ports apart.
    EXPECT_TRUE(tracker.apply(announced(SND_SEQ_EVENT_CLIENT_START, 24)));
    EXPECT_TRUE(tracker.apply(announced(SND_SEQ_EVENT_PORT_START, 24, 0)));
    EXPECT_TRUE(tracker.apply(announced(SND_SEQ_EVENT_PORT_CHANGE, 24, 0)));
    EXPECT_EQ(tracker.generation(24, 0), unplugged);
    EXPECT_EQ(tracker.generation(128, 0), synth);

    // A port of a client that stays (a software synthesizer closing one port).
    tracker.apply(announced(SND_SEQ_EVENT_PORT_EXIT, 128, 1));
    EXPECT_EQ(tracker.generation(128, 0), synth);
    EXPECT_NE(tracker.generation(128, 1), synth);

    // Announcements lost to a full queue: every address may name another port.
    const std::uint64_t before = tracker.generation(24, 0);
    tracker.forgetAll();
    EXPECT_NE(tracker.generation(24, 0), before);
    EXPECT_NE(tracker.generation(128, 0), synth);

    EXPECT_FALSE(tracker.apply(announced(SND_SEQ_EVENT_NOTEON, 24, 0)));
}

TEST(ALSACardDetails, TheMakerIsWhatTheLongNamePutsBeforeTheProduct)
{
    EXPECT_EQ(alsaCardDetails("Keystation 49", "M-Audio Keystation 49 at usb-0000:00:14.0-2, full speed"),
              (ALSACardDetails{"M-Audio", "Keystation 49"}));
    EXPECT_EQ(alsaCardDetails("Digital Piano", "Roland Digital Piano at usb-0000:00:14.0-1, full speed"),
              (ALSACardDetails{"Roland", "Digital Piano"}));
    // A long name that does not end in the product, or is the product alone.
    EXPECT_EQ(alsaCardDetails("HDA Intel PCH", "HDA Intel PCH at 0xf7f30000 irq 32"),
              (ALSACardDetails{std::nullopt, "HDA Intel PCH"}));
    EXPECT_EQ(alsaCardDetails("USB MIDI", "Generic USB-MIDI cable"), (ALSACardDetails{std::nullopt, "USB MIDI"}));
    EXPECT_EQ(alsaCardDetails("", "Anything at usb-1"), ALSACardDetails{});
}

TEST(MIDIDeviceMonitorOnALSA, AVirtualKeyboardOpenedAgainIsHeardAgain)
{
    if (!alsaSequencerAvailable()) GTEST_SKIP() << "no ALSA sequencer device on this machine";
    QTemporaryDir directory;
    DefaultsStore defaults(directory.filePath("defaults.json").toStdString());
    MIDIDeviceMonitor monitor(defaults, MIDIApi::alsaSequencer);
    std::vector<MIDIInputEvent> events;
    monitor.onEvent = [&](const MIDIInputEvent& event) { events.push_back(event); };
    const auto listed = [&] {
        return std::any_of(monitor.sources().begin(), monitor.sources().end(),
                           [](const MIDIInputSource& s) { return s.displayName == "Teclado Virtual:Teclado"; });
    };
    for (int round = 0; round < 2; ++round) {
        RtMidiOut keyboard(RtMidi::LINUX_ALSA, "Teclado Virtual");
        keyboard.openVirtualPort("Teclado");
        ASSERT_TRUE(processEventsUntil(listed, 500ms)) << "round " << round;
        processEventsFor(50ms);
        events.clear();
        const std::vector<unsigned char> note = {0x90, 60, 100};
        keyboard.sendMessage(&note);
        ASSERT_TRUE(processEventsUntil([&] { return !events.empty(); }, 3s)) << "round " << round;
    }
    EXPECT_TRUE(processEventsUntil([&] { return !listed(); }, 500ms));
}

} // namespace
