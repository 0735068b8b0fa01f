#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDI1UMPNoteParser.hpp"

#include <gtest/gtest.h>

#include <vector>

using namespace corvane;

namespace {

using M = MIDIInputMessage;

// Collects what the parser hands over, as the receive path would queue it.
std::vector<MIDIInputEvent> parse(std::span<const std::uint32_t> words, std::uint64_t timestamp, std::int32_t sourceID)
{
    std::vector<MIDIInputEvent> events;
    MIDI1UMPNoteParser::forEachEvent(words, timestamp, sourceID,
                                     [&](const MIDIInputEvent& event) { events.push_back(event); });
    return events;
}

std::vector<MIDIInputEvent> parse(std::span<const UMPEventPacket> packets, std::int32_t sourceID)
{
    std::vector<MIDIInputEvent> events;
    for (const UMPEventPacket& packet : packets)
        MIDI1UMPNoteParser::forEachEvent(packet, sourceID, [&](const MIDIInputEvent& event) { events.push_back(event); });
    return events;
}

std::optional<std::pair<std::uint8_t, M>> single(std::uint32_t word)
{
    const std::uint32_t words[] = {word};
    const auto events = parse(words, 1000, 7);
    if (events.empty()) return std::nullopt;
    EXPECT_EQ(events.size(), 1u);
    return std::pair{events[0].channel, events[0].message};
}

TEST(MIDI1UMPNoteParser, ReadsEachChannelVoiceWord)
{
    EXPECT_EQ(single(0x20953C64), std::pair(std::uint8_t{5}, M(M::NoteOn{60, 100})));
    EXPECT_EQ(single(0x20903C00), std::pair(std::uint8_t{0}, M(M::NoteOff{60, 0}))) << "velocity 0 is a release";
    EXPECT_EQ(single(0x208F3C40), std::pair(std::uint8_t{15}, M(M::NoteOff{60, 64})));
    EXPECT_EQ(single(0x20B2407F), std::pair(std::uint8_t{2}, M(M::ControlChange{64, 127})));
    EXPECT_EQ(single(0x20C30500), std::pair(std::uint8_t{3}, M(M::ProgramChange{5})));
    EXPECT_EQ(single(0x20E00040), std::pair(std::uint8_t{0}, M(M::PitchBend{8192})));
    EXPECT_EQ(single(0x20E07F7F), std::pair(std::uint8_t{0}, M(M::PitchBend{16383})));
    EXPECT_EQ(single(0x20E00100), std::pair(std::uint8_t{0}, M(M::PitchBend{1}))) << "data 1 is the low part";
    // The group nibble is ignored; the top bit of each data byte is not data.
    EXPECT_EQ(single(0x2F90BCE4), std::pair(std::uint8_t{0}, M(M::NoteOn{60, 100})));
}

TEST(MIDI1UMPNoteParser, YieldsNothingForOtherMessages)
{
    for (const std::uint32_t word : {0x20A03C40u, 0x20D04000u, 0x20003C40u, 0x20703C40u, 0x20F03C40u, // ignored statuses
                                     0x10F80000u, 0x00000000u, 0x60903C40u, 0x70903C40u})                   // other single words
        EXPECT_EQ(single(word), std::nullopt) << std::hex << word;
}

TEST(MIDI1UMPNoteParser, StepsOverTheDataOfLongerMessages)
{
    // A MIDI 2.0 note-on (two words) whose second word reads like a type-2
    // note-on, then 64-bit system exclusive data, then a real note.
    const std::uint32_t words[] = {0x40903C00, 0x2090FFFF, 0x30160102, 0x2090407F, 0x20913E41};
    const auto events = parse(words, 1, 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, M(M::NoteOn{62, 65}));
    // A message cut off by the end of the packet ends it quietly.
    const std::uint32_t cut[] = {0x20903C40, 0x50000000};
    EXPECT_EQ(parse(cut, 1, 1).size(), 1u);
}

TEST(MIDI1UMPNoteParser, KeepsWordOrderAcrossWordsAndPackets)
{
    UMPEventPacket first;
    first.timeStamp = 500;
    first.wordCount = 3;
    first.words = {0x20903C40, 0x10F80000, 0x20913E41};
    UMPEventPacket second;
    second.timeStamp = 600;
    second.wordCount = 1;
    second.words[0] = 0x20803C00;
    const UMPEventPacket list[] = {first, second};
    const auto events = parse(list, -42);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], MIDIInputEvent(-42, 500, 0, M::NoteOn{60, 64}));
    EXPECT_EQ(events[1], MIDIInputEvent(-42, 500, 1, M::NoteOn{62, 65}));
    EXPECT_EQ(events[2], MIDIInputEvent(-42, 600, 0, M::NoteOff{60, 0}));
    EXPECT_DOUBLE_EQ(events[2].timestampSeconds, 600e-9);
}

TEST(MIDI1UMPNoteParser, ReadsAtMost64WordsOfAPacket)
{
    UMPEventPacket packet;
    packet.timeStamp = 1;
    packet.wordCount = 1000; // a corrupt count must not read past the packet
    packet.words.fill(0x20903C40);
    EXPECT_EQ(parse(std::span(&packet, 1), 1).size(), 64u);
}

TEST(MIDI1UMPNoteParser, StampsTimeZeroWithTheHostTimeAtParsing)
{
    const std::uint64_t before = hostTimeNow();
    const std::uint32_t words[] = {0x20903C40, 0x20903D40};
    const auto events = parse(words, 0, 1);
    const std::uint64_t after = hostTimeNow();
    ASSERT_EQ(events.size(), 2u);
    for (const auto& event : events) {
        EXPECT_GE(event.timestamp, before);
        EXPECT_LE(event.timestamp, after);
        EXPECT_DOUBLE_EQ(event.timestampSeconds, secondsForHostTime(event.timestamp));
    }
}

TEST(MIDIInputEvent, DeliveryLatencyIsNeverNegative)
{
    const MIDIInputEvent event(1, 2'000'000'000, 0, M::NoteOn{60, 1});
    EXPECT_NEAR(event.deliveryLatencyMilliseconds(2'003'500'000), 3.5, 1e-6);
    EXPECT_EQ(event.deliveryLatencyMilliseconds(1'000'000'000), 0.0);
    EXPECT_NE(MIDIInputEvent(1, 0, 0, M::NoteOn{60, 1}).timestamp, 0u);
}

} // namespace
