#include <gtest/gtest.h>

#include <filesystem>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;
using Error = MIDIFileParseError;
using smf::Bytes;

namespace {

MIDIFile parse(const Bytes& bytes) { return StandardMIDIFileParser{}.parse(bytes); }

Error parseError(const Bytes& bytes)
{
    try {
        parse(bytes);
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "parsing succeeded";
    return Error(Error::UnexpectedEnd{-1});
}

// A format-0 file whose single track holds exactly `trackData`.
Bytes singleTrackFile(const Bytes& trackData, std::uint16_t division = 480)
{
    Bytes out = smf::header(0, 1, division);
    smf::append(out, smf::chunk("MTrk", trackData));
    return out;
}

constexpr std::int64_t firstTrackData = 14 + 8; // header chunk, then "MTrk" and its length

} // namespace

TEST(StandardMIDIFileParser, HeaderErrorsCarryTheirValuesAndOffsets)
{
    EXPECT_EQ(parseError({}), Error(Error::UnexpectedEnd{0}));
    EXPECT_EQ(parseError({'M', 'T'}), Error(Error::UnexpectedEnd{0}));
    EXPECT_EQ(parseError({'R', 'I', 'F', 'F', 0, 0, 0, 6}), Error(Error::InvalidChunk{"MThd", 0}));
    EXPECT_EQ(parseError({'M', 'T', 'h', 'd', 0, 0}), Error(Error::UnexpectedEnd{4}));
    EXPECT_EQ(parseError({'M', 'T', 'h', 'd', 0, 0, 0, 5, 0, 0, 0, 1, 1}), Error(Error::InvalidHeaderLength{5}));
    // A header claiming more bytes than the file holds.
    EXPECT_EQ(parseError({'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1, 1, 0xE0}),
              Error(Error::UnexpectedEnd{8}));

    auto withHeader = [](std::uint16_t format, std::uint16_t count, std::uint16_t division) {
        Bytes out = smf::header(format, count, division);
        for (int i = 0; i < count; ++i) smf::append(out, smf::chunk("MTrk", {}));
        return out;
    };
    EXPECT_EQ(parseError(withHeader(3, 1, 480)), Error(Error::UnsupportedFormat{3}));
    EXPECT_EQ(parseError(withHeader(0, 2, 480)), Error(Error::InvalidTrackCount{0, 2}));
    EXPECT_EQ(parseError(withHeader(1, 0, 480)), Error(Error::InvalidTrackCount{1, 0}));
    EXPECT_EQ(parseError(withHeader(1, 1, 0)), Error(Error::InvalidTimeDivision{0}));
    EXPECT_EQ(parseError(withHeader(1, 1, 0xE300)), Error(Error::InvalidTimeDivision{0xE300}));
    EXPECT_EQ(parseError(withHeader(1, 1, 0xE628)), Error(Error::InvalidTimeDivision{0xE628}));
}

TEST(StandardMIDIFileParser, DecodesDivisionsAndSkipsExtraHeaderBytes)
{
    auto smpte = parse(smf::file(1, 0xE728, {smf::Track{}}));
    EXPECT_EQ(smpte.timeDivision, MIDITimeDivision::smpte(MIDIFramesPerSecond::fps25, 40));
    EXPECT_EQ(parse(smf::file(1, 0xE201, {smf::Track{}})).timeDivision,
              MIDITimeDivision::smpte(MIDIFramesPerSecond::fps30, 1));
    EXPECT_EQ(parse(smf::file(1, 0xE301, {smf::Track{}})).timeDivision,
              MIDITimeDivision::smpte(MIDIFramesPerSecond::dropFrame30, 1));

    Bytes header{'M', 'T', 'h', 'd', 0, 0, 0, 10, 0, 1, 0, 1, 0x01, 0xE0, 9, 9, 9, 9};
    smf::append(header, smf::chunk("MTrk", smf::Track{}.noteOn(0, 60).bytes));
    auto file = parse(header);
    EXPECT_EQ(file.format, MIDIFileFormat::simultaneousTracks);
    EXPECT_EQ(file.timeDivision, MIDITimeDivision::ticksPerQuarterNote(480));
    ASSERT_EQ(file.tracks.size(), 1u);
    EXPECT_EQ(file.tracks[0].events.size(), 1u);
}

TEST(StandardMIDIFileParser, TrackChunkErrors)
{
    // Two tracks announced, one present: the second chunk name is missing at the end of the file.
    Bytes oneOfTwo = smf::header(1, 2, 480);
    smf::append(oneOfTwo, smf::chunk("MTrk", {}));
    EXPECT_EQ(parseError(oneOfTwo), Error(Error::UnexpectedEnd{static_cast<std::int64_t>(oneOfTwo.size())}));

    Bytes wrongName = smf::header(1, 2, 480);
    smf::append(wrongName, smf::chunk("MTrk", {}));
    const auto secondStart = static_cast<std::int64_t>(wrongName.size());
    smf::append(wrongName, smf::chunk("XFIH", {}));
    EXPECT_EQ(parseError(wrongName), Error(Error::InvalidChunk{"MTrk", secondStart}));

    // A chunk length beyond the end of the file.
    Bytes tooLong = smf::header(0, 1, 480);
    smf::append(tooLong, Bytes{'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x90});
    EXPECT_EQ(parseError(tooLong), Error(Error::UnexpectedEnd{firstTrackData}));

    EXPECT_TRUE(parse(singleTrackFile({})).tracks[0].events.empty());
}

TEST(StandardMIDIFileParser, RunningStatusRules)
{
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0x40, 0x40})), Error(Error::MissingRunningStatus{firstTrackData + 1}));

    auto file = parse(singleTrackFile({0x00, 0x90, 0x3C, 0x64, 0x00, 0x3C, 0x00}));
    ASSERT_EQ(file.tracks[0].events.size(), 2u);
    EXPECT_EQ(file.tracks[0].events[1].kind,
              MIDIEventKind(MIDIChannelEvent{0, MIDIChannelMessage::NoteOn{0x3C, 0}}));

    // Meta and system-exclusive events cancel running status.
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x3C, 0x00})),
              Error(Error::MissingRunningStatus{firstTrackData + 9}));
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0x90, 0x3C, 0x64, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x3C, 0x00})),
              Error(Error::MissingRunningStatus{firstTrackData + 9}));
}

TEST(StandardMIDIFileParser, VariableLengthQuantityLimits)
{
    EXPECT_EQ(parseError(singleTrackFile({0xFF, 0xFF, 0xFF, 0xFF, 0x90, 0x3C, 0x40})),
              Error(Error::InvalidVariableLengthQuantity{firstTrackData}));
    auto file = parse(singleTrackFile({0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40}));
    EXPECT_EQ(file.tracks[0].events[0].deltaTime, 0x0FFFFFFFu);
    EXPECT_EQ(file.tracks[0].events[0].tick, 0x0FFFFFFFu);
    // A quantity cut off by the end of its chunk (bytes after the chunk are not read).
    Bytes cut = singleTrackFile({0x00, 0x90, 0x3C, 0x40, 0x81});
    cut.push_back(0x00);
    EXPECT_EQ(parseError(cut), Error(Error::UnexpectedEnd{firstTrackData + 5}));
}

TEST(StandardMIDIFileParser, EventContentAndStatusErrors)
{
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0xF8})), Error(Error::InvalidStatus{0xF8, firstTrackData + 1}));
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0xF3, 0x01})), Error(Error::InvalidStatus{0xF3, firstTrackData + 1}));

    // Inside a channel message a byte is data whatever its value.
    auto statusAsData = parse(singleTrackFile({0x00, 0x91, 0x3C, 0x90}));
    EXPECT_EQ(statusAsData.tracks[0].events[0].kind,
              MIDIEventKind(MIDIChannelEvent{1, MIDIChannelMessage::NoteOn{0x3C, 0x10}}));

    auto bend = parse(singleTrackFile({0x00, 0xE3, 0x00, 0x40, 0x00, 0xC5, 0x07, 0x00, 0xD2, 0x55}));
    const auto& events = bend.tracks[0].events;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, MIDIEventKind(MIDIChannelEvent{3, MIDIChannelMessage::PitchBend{8192}}));
    EXPECT_EQ(events[1].kind, MIDIEventKind(MIDIChannelEvent{5, MIDIChannelMessage::ProgramChange{7}}));
    EXPECT_EQ(events[2].kind, MIDIEventKind(MIDIChannelEvent{2, MIDIChannelMessage::ChannelPressure{0x55}}));

    // A message cut off by the end of the chunk.
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0x90, 0x3C})), Error(Error::UnexpectedEnd{firstTrackData + 3}));
    // A meta event without its type byte, and one whose data runs past the chunk.
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0xFF})), Error(Error::UnexpectedEnd{firstTrackData + 2}));
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0xFF, 0x01, 0x05, 'a', 'b'})),
              Error(Error::UnexpectedEnd{firstTrackData + 4}));
    // A huge system-exclusive length must fail, not allocate.
    EXPECT_EQ(parseError(singleTrackFile({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01})),
              Error(Error::UnexpectedEnd{firstTrackData + 6}));
}

TEST(StandardMIDIFileParser, KeepsEveryEventOfTheChunkAndIgnoresTrailingBytes)
{
    auto track = smf::Track{}.noteOn(0, 60).endOfTrack(10).noteOff(5, 60);
    track.raw({0x00, 0xF7, 0x02, 0x01, 0x02});
    Bytes bytes = smf::file(0, 96, {track});
    bytes.insert(bytes.end(), {'j', 'u', 'n', 'k'});
    auto file = parse(bytes);
    const auto& events = file.tracks[0].events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].kind, MIDIEventKind(MIDIMetaEvent{0x2F, {}}));
    EXPECT_EQ(events[2].tick, 15u);
    EXPECT_EQ(events[2].deltaTime, 5u);
    EXPECT_EQ(events[3].kind, MIDIEventKind(MIDISystemExclusiveEvent{0xF7, {0x01, 0x02}}));
}

TEST(StandardMIDIFileParser, ReadsFilesAndPassesReadFailuresOn)
{
    const auto dir = std::filesystem::temp_directory_path() / ("brelmo-parser-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "song.mid";
    const Bytes bytes = smf::file(1, 480, {smf::Track{}.noteOn(0, 60).noteOff(480, 60).endOfTrack()});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    EXPECT_EQ(StandardMIDIFileParser{}.parseContentsOf(path), parse(bytes));
    EXPECT_THROW(StandardMIDIFileParser{}.parseContentsOf(dir / "missing.mid"), std::system_error);
    EXPECT_THROW(StandardMIDIFileParser{}.parseContentsOf(dir), std::system_error);
    std::filesystem::remove_all(dir);
}

namespace {

// Tracks of different lengths and kinds of event: running status, long and
// short payloads (the long ones shared by every track), an empty chunk.
std::vector<smf::Track> variedTracks(int count)
{
    std::vector<smf::Track> tracks(static_cast<std::size_t>(count));
    tracks[0].name(0, "Condutor da peça longa").tempo(0, 500'000).timeSignature(0, 3, 2);
    for (int t = 1; t < count; ++t) {
        auto& track = tracks[static_cast<std::size_t>(t)];
        if (t == 2) continue;
        track.name(0, t % 2 ? "Mão esquerda, trilha " + std::to_string(t) : "T" + std::to_string(t));
        for (int i = 0; i < 200 * t; ++i) {
            const auto note = static_cast<std::uint8_t>(30 + (i * 7 + t) % 60);
            track.noteOn(static_cast<std::uint32_t>(i % 5), note, 80, static_cast<std::uint8_t>(t % 16));
            track.raw({0x00, note, 0x00}); // running status: a note-on of velocity 0
            if (i % 50 == 0) track.raw({0x00, 0xF0, 0x0A, 0x7E, 0x7F, 0x09, 0x01, 0x10, 0x20, 0x30, 0x40, 0x50, 0xF7});
        }
        track.endOfTrack();
    }
    return tracks;
}

std::optional<Error> errorOf(const StandardMIDIFileParser& parser, const Bytes& bytes)
{
    try {
        parser.parse(bytes);
    } catch (const Error& e) {
        return e;
    }
    return std::nullopt;
}

// The bytes of a file whose track chunks are `tracks`, and where each chunk starts.
std::pair<Bytes, std::vector<std::int64_t>> fileWithChunkStarts(const std::vector<smf::Track>& tracks)
{
    Bytes bytes = smf::header(1, static_cast<std::uint16_t>(tracks.size()), 480);
    std::vector<std::int64_t> starts;
    for (const auto& track : tracks) {
        starts.push_back(static_cast<std::int64_t>(bytes.size()));
        smf::append(bytes, smf::chunk("MTrk", track.bytes));
    }
    return {bytes, starts};
}

} // namespace

TEST(StandardMIDIFileParser, TracksReadOnSeveralThreadsGiveTheSameFileAndTheFirstErrorInFileOrder)
{
    StandardMIDIFileParser severalThreads, oneThread;
    severalThreads.parallelFromBytes = 0;
    oneThread.parallelFromBytes = SIZE_MAX;

    for (int count : {2, 5, 17}) {
        const Bytes bytes = smf::file(1, 480, variedTracks(count));
        const MIDIFile file = severalThreads.parse(bytes);
        EXPECT_EQ(file, oneThread.parse(bytes)) << count << " tracks";
        // The long payloads of every track view the one copy of the file.
        for (const auto& track : file.tracks) EXPECT_EQ(track.payloadOwner, file.tracks[0].payloadOwner);
        EXPECT_EQ(file.tracks[0].name(), "Condutor da peça longa");
    }

    auto tracks = variedTracks(8);
    // A status byte no event may have, in the fourth track's first event.
    auto brokenContent = tracks;
    brokenContent[3].bytes.insert(brokenContent[3].bytes.begin(), {0x00, 0xF4});
    // The sixth chunk misnamed, the seventh announced but missing.
    auto [contentThenChunk, starts] = fileWithChunkStarts(brokenContent);
    const std::int64_t brokenStatusAt = starts[3] + 8 + 1;
    contentThenChunk[static_cast<std::size_t>(starts[5])] = 'X';
    const auto [chunkOnly, sameStarts] = fileWithChunkStarts(tracks);
    Bytes misnamedChunk = chunkOnly;
    misnamedChunk[static_cast<std::size_t>(sameStarts[5])] = 'X';
    // The second track broken too, ahead of the fourth; and the last cut off by the end of the file.
    auto twoBroken = brokenContent;
    twoBroken[1].bytes.insert(twoBroken[1].bytes.begin(), {0x00, 0x3C, 0x40});
    auto [twoBrokenThenCut, twoBrokenStarts] = fileWithChunkStarts(twoBroken);
    twoBrokenThenCut.resize(twoBrokenThenCut.size() - 3);

    // No track chunk at all where the first should be.
    Bytes firstMisnamed = chunkOnly;
    firstMisnamed[static_cast<std::size_t>(sameStarts[0])] = 'X';

    const std::vector<std::pair<Bytes, Error>> cases = {
        {firstMisnamed, Error(Error::InvalidChunk{"MTrk", sameStarts[0]})},
        {contentThenChunk, Error(Error::InvalidStatus{0xF4, brokenStatusAt})},
        {misnamedChunk, Error(Error::InvalidChunk{"MTrk", sameStarts[5]})},
        {twoBrokenThenCut, Error(Error::MissingRunningStatus{twoBrokenStarts[1] + 8 + 1})},
    };
    for (const auto& [bytes, expected] : cases) {
        for (const auto* parser : {&severalThreads, &oneThread}) {
            const auto error = errorOf(*parser, bytes);
            EXPECT_EQ(error, expected) << "expected " << expected.what() << ", got "
                                       << (error ? error->what() : "no error");
        }
    }
}
