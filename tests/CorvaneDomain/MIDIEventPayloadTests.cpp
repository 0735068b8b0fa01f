#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <memory>
#include <tuple>

#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;
using smf::Bytes;

namespace {

const Bytes longName{'M', 'a', 'o', ' ', 'd', 'i', 'r', 'e', 'i', 't', 'a', ' ', 'p', 'i', 'a', 'n', 'o'};
const Bytes longSysEx{0x7E, 0x7F, 0x09, 0x01, 0x10, 0x20, 0x30, 0x40, 0x50, 0xF7};

// Parsed from bytes that are gone by the time the result is read.
MIDIFile parseFromTemporaryBytes()
{
    auto bytes = std::make_unique<Bytes>(smf::file(
        1, 480,
        {smf::Track{}.name(0, std::string(longName.begin(), longName.end())).tempo(0, 600'000).endOfTrack(),
         smf::Track{}.noteOn(0, 60).raw({0x00, 0xF0, 0x0A}).raw({0x7E, 0x7F, 0x09, 0x01, 0x10, 0x20, 0x30, 0x40, 0x50, 0xF7})
             .noteOff(480, 60).endOfTrack()}));
    auto file = StandardMIDIFileParser{}.parse(*bytes);
    std::fill(bytes->begin(), bytes->end(), 0xAA);
    bytes.reset();
    return file;
}

} // namespace

TEST(MIDIEventPayload, LongPayloadsOutliveTheParsedBytesTheFileAndItsCopies)
{
    const MIDIFile file = parseFromTemporaryBytes();
    EXPECT_EQ(file.tracks[0].name(), std::string(longName.begin(), longName.end()));
    ASSERT_EQ(file.tracks[1].events.size(), 4u);
    // Built by hand from vectors, the same events compare equal to the parsed ones.
    EXPECT_EQ(file.tracks[1].events[1].kind, MIDIEventKind(MIDISystemExclusiveEvent{0xF0, longSysEx}));
    EXPECT_EQ(file.tracks[0].events[0].kind, MIDIEventKind(MIDIMetaEvent{0x03, longName}));
    EXPECT_NE(file.tracks[0].events[0].kind, MIDIEventKind(MIDIMetaEvent{0x03, longSysEx}));

    // A timeline keeps the payloads alive after the file is gone; so does a copied track.
    std::optional<MIDITimeline> timeline;
    MIDITrack copiedTrack;
    {
        const MIDIFile copy = parseFromTemporaryBytes();
        timeline.emplace(copy);
        copiedTrack = copy.tracks[0];
    }
    EXPECT_EQ(copiedTrack.name(), std::string(longName.begin(), longName.end()));
    std::vector<MIDIEventBytes> payloads;
    for (const auto& event : timeline->events()) {
        if (const auto* sysex = std::get_if<MIDISystemExclusiveEvent>(&event.kind)) payloads.push_back(sysex->data);
        if (const auto* meta = std::get_if<MIDIMetaEvent>(&event.kind); meta && meta->type == 0x03)
            payloads.push_back(meta->data);
    }
    ASSERT_EQ(payloads.size(), 2u);
    EXPECT_EQ(std::vector<std::uint8_t>(payloads[0].begin(), payloads[0].end()), longName);
    EXPECT_EQ(std::vector<std::uint8_t>(payloads[1].begin(), payloads[1].end()), longSysEx);

    // Short payloads are held in the event itself; the tempo reads back as before.
    EXPECT_DOUBLE_EQ(timeline->tempoMap().tempoChanges()[0].beatsPerMinute(), 100.0);
    const MIDIEventBytes eight{1, 2, 3, 4, 5, 6, 7, 8}, nine{1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(eight.size(), 8u);
    EXPECT_EQ(nine[8], 9);
    EXPECT_NE(eight, nine);
    EXPECT_EQ(nine, MIDIEventBytes(std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_TRUE(MIDIEventBytes{}.empty());
}

// Thousands of keys (every note of every channel in several tracks), with
// overlapping notes of one key, pair exactly as a plain first-in first-out
// table per key does.
TEST(MIDIEventPayload, NotePairingOverManyKeysMatchesAPlainTable)
{
    std::vector<smf::Track> tracks(3);
    for (int t = 0; t < 3; ++t) {
        auto& track = tracks[static_cast<std::size_t>(t)];
        for (int i = 0; i < 16 * 128; ++i) {
            const auto channel = static_cast<std::uint8_t>(i % 16);
            const auto note = static_cast<std::uint8_t>((i * 7 + t) % 128);
            track.noteOn(static_cast<std::uint32_t>(i % 3), note, 90, channel);
            // Every fifth note sounds twice before its two releases.
            if (i % 5 == 0) track.noteOn(1, note, 70, channel);
            if (i % 4 == 0) track.noteOff(2, note, 0, channel);
            if (i % 5 == 0) track.noteOn(1, note, 0, channel);
        }
        track.endOfTrack(100);
    }
    const auto file = StandardMIDIFileParser{}.parse(smf::file(1, 96, tracks));
    const MIDITimeline timeline(file);

    std::map<std::tuple<std::int64_t, int, int>, std::vector<MIDINoteSpan>> open;
    std::vector<MIDINoteSpan> expected;
    for (const auto& event : timeline.events()) {
        const auto command = MIDINoteCommand::from(event);
        if (!command) continue;
        const std::tuple<std::int64_t, int, int> key{event.trackIndex, command->channel,
                                                     command->action.as<MIDINoteAction::On>()
                                                         ? command->action.as<MIDINoteAction::On>()->note
                                                         : command->action.as<MIDINoteAction::Off>()->note};
        if (const auto* on = command->action.as<MIDINoteAction::On>()) {
            open[key].push_back(MIDINoteSpan{on->note, on->velocity, command->channel,
                                             static_cast<std::int32_t>(event.trackIndex),
                                             static_cast<std::int32_t>(event.eventIndex), event.seconds,
                                             event.seconds});
        } else if (!open[key].empty()) {
            auto span = open[key].front();
            open[key].erase(open[key].begin());
            span.endSeconds = std::max(span.startSeconds, event.seconds);
            expected.push_back(span);
        }
    }
    for (auto& [key, spans] : open)
        for (auto span : spans) {
            span.endSeconds = std::max(span.startSeconds, timeline.durationSeconds());
            expected.push_back(span);
        }
    std::sort(expected.begin(), expected.end(), [](const MIDINoteSpan& a, const MIDINoteSpan& b) {
        return std::tie(a.startSeconds, a.trackIndex, a.eventIndex) < std::tie(b.startSeconds, b.trackIndex, b.eventIndex);
    });
    EXPECT_EQ(timeline.noteSpans(), expected);
    EXPECT_GT(expected.size(), 6000u);
}
