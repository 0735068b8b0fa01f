#include <gtest/gtest.h>

#include <cmath>

#include "CorvaneDomain/MIDITempoMap.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;
using Error = MIDITempoMapError;

namespace {

MIDIFile fileOf(std::uint16_t format, std::uint16_t division, const std::vector<smf::Track>& tracks)
{
    return StandardMIDIFileParser{}.parse(smf::file(format, division, tracks));
}

Error tempoMapError(const MIDIFile& file)
{
    try {
        MIDITempoMap map(file);
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "building the map succeeded";
    return Error(Error::IndependentTracksRequireTrackSelection{});
}

} // namespace

TEST(MIDITempoMap, DefaultsWithoutTempoOrSignatureEvents)
{
    MIDITempoMap map(fileOf(1, 480, {smf::Track{}.noteOn(0, 60).noteOff(960, 60)}));
    EXPECT_EQ(map.tempoChanges(), (std::vector<MIDITempoChange>{{0, 0.0, 500'000}}));
    EXPECT_EQ(map.timeSignatureChanges(), (std::vector<MIDITimeSignatureChange>{{0, 0.0, 4, 4, 24, 8}}));
    EXPECT_DOUBLE_EQ(map.seconds(960), 1.0);
    EXPECT_DOUBLE_EQ(map.tempoChanges()[0].beatsPerMinute(), 120.0);
}

TEST(MIDITempoMap, TheLastTempoMetAtOneTickWins)
{
    MIDITempoMap replaced(fileOf(1, 480, {smf::Track{}.tempo(0, 600'000)}));
    EXPECT_EQ(replaced.tempoChanges(), (std::vector<MIDITempoChange>{{0, 0.0, 600'000}}));

    MIDITempoMap acrossTracks(fileOf(1, 480, {smf::Track{}.tempo(480, 400'000), smf::Track{}.tempo(480, 300'000)}));
    ASSERT_EQ(acrossTracks.tempoChanges().size(), 2u);
    EXPECT_EQ(acrossTracks.tempoChanges()[1].microsecondsPerQuarterNote, 300'000u);

    MIDITempoMap inOneTrack(fileOf(1, 480, {smf::Track{}.tempo(0, 400'000).tempo(0, 700'000)}));
    EXPECT_EQ(inOneTrack.tempoChanges(), (std::vector<MIDITempoChange>{{0, 0.0, 700'000}}));

    // A signature later in the file but earlier in time is still sorted first.
    MIDITempoMap signatures(fileOf(1, 480, {smf::Track{}.timeSignature(960, 3, 2), smf::Track{}.timeSignature(0, 6, 3)}));
    ASSERT_EQ(signatures.timeSignatureChanges().size(), 2u);
    EXPECT_EQ(signatures.timeSignatureChanges()[0].numerator, 6);
    EXPECT_EQ(signatures.timeSignatureChanges()[0].denominator, 8u);
    EXPECT_DOUBLE_EQ(signatures.timeSignatureChanges()[1].seconds, 1.0);
}

TEST(MIDITempoMap, ConversionsAcrossSeveralTempoChanges)
{
    // 120 bpm, then 60 bpm at tick 480, then 240 bpm at tick 1440.
    MIDITempoMap map(fileOf(1, 480, {smf::Track{}.tempo(480, 1'000'000).tempo(960, 250'000)}));
    ASSERT_EQ(map.tempoChanges().size(), 3u);
    EXPECT_DOUBLE_EQ(map.tempoChanges()[1].seconds, 0.5);
    EXPECT_DOUBLE_EQ(map.tempoChanges()[2].seconds, 2.5);
    EXPECT_DOUBLE_EQ(map.seconds(960), 1.5);
    EXPECT_DOUBLE_EQ(map.seconds(1920), 2.75);
    EXPECT_DOUBLE_EQ(map.tick(1.5), 960.0);
    EXPECT_DOUBLE_EQ(map.tick(1.25), 840.0);
    EXPECT_DOUBLE_EQ(map.tick(2.75), 1920.0);
    EXPECT_DOUBLE_EQ(map.tick(0.0), 0.0);
    EXPECT_DOUBLE_EQ(map.tick(-3.0), 0.0);
    EXPECT_DOUBLE_EQ(map.tick(std::nan("")), 0.0);

    // Quarter notes: 1 in the first half second, 2 in the next two seconds, then 4 per second.
    EXPECT_DOUBLE_EQ(map.quarterNotes(0.5), 1.0);
    EXPECT_DOUBLE_EQ(map.quarterNotes(1.5), 2.0);
    EXPECT_DOUBLE_EQ(map.quarterNotes(3.0), 5.0);
    EXPECT_DOUBLE_EQ(map.quarterNotes(-1.0), 0.0);
    EXPECT_DOUBLE_EQ(map.secondsAtQuarterNotes(2.0), 1.5);
    EXPECT_DOUBLE_EQ(map.secondsAtQuarterNotes(5.0), 3.0);
    EXPECT_DOUBLE_EQ(map.secondsAtQuarterNotes(0.0), 0.0);
    for (double s : {0.1, 0.5, 1.7, 2.5, 9.0}) EXPECT_NEAR(map.secondsAtQuarterNotes(map.quarterNotes(s)), s, 1e-12);
}

TEST(MIDITempoMap, TimeCodeDivisionsIgnoreTempo)
{
    MIDITempoMap fps25(fileOf(1, 0xE728, {smf::Track{}.tempo(0, 1'000'000)}));
    EXPECT_DOUBLE_EQ(fps25.seconds(1000), 1.0);
    EXPECT_DOUBLE_EQ(fps25.tick(0.5), 500.0);

    MIDITempoMap dropFrame(fileOf(1, 0xE301, {smf::Track{}.tempo(100, 1'000'000)}));
    EXPECT_DOUBLE_EQ(dropFrame.seconds(30000), 1001.0);
    EXPECT_DOUBLE_EQ(dropFrame.tempoChanges()[1].seconds, 100 * 1001.0 / 30000.0);
}

TEST(MIDITempoMap, RejectsMalformedEventsWithTheirPosition)
{
    EXPECT_EQ(tempoMapError(fileOf(1, 480, {smf::Track{}.noteOn(0, 60), smf::Track{}.noteOn(0, 1).meta(0, 0x51, {7, 0xA1})})),
              Error(Error::InvalidTempoEvent{1, 1}));
    EXPECT_EQ(tempoMapError(fileOf(1, 480, {smf::Track{}.tempo(0, 0)})), Error(Error::InvalidTempoEvent{0, 0}));
    EXPECT_EQ(tempoMapError(fileOf(1, 480, {smf::Track{}.meta(0, 0x58, {4, 2, 24, 8, 0})})),
              Error(Error::InvalidTimeSignatureEvent{0, 0}));
    EXPECT_EQ(tempoMapError(fileOf(1, 480, {smf::Track{}.timeSignature(0, 0, 2)})),
              Error(Error::InvalidTimeSignatureEvent{0, 0}));
    EXPECT_EQ(tempoMapError(fileOf(1, 480, {smf::Track{}.timeSignature(0, 4, 32)})),
              Error(Error::InvalidTimeSignatureEvent{0, 0}));
    // The largest exponent still accepted.
    EXPECT_EQ(MIDITempoMap(fileOf(1, 480, {smf::Track{}.timeSignature(0, 1, 31)})).timeSignatureChanges()[0].denominator,
              0x80000000u);
}

TEST(MIDITempoMap, IndependentTracksNeedATrackSelection)
{
    auto file = fileOf(2, 480, {smf::Track{}.tempo(0, 400'000), smf::Track{}.tempo(0, 800'000)});
    EXPECT_EQ(tempoMapError(file), Error(Error::IndependentTracksRequireTrackSelection{}));
    EXPECT_EQ(MIDITempoMap(file, 1).tempoChanges()[0].microsecondsPerQuarterNote, 800'000u);
    EXPECT_THROW(MIDITempoMap(file, 2), Error);
    try {
        MIDITempoMap(file, -1);
    } catch (const Error& e) {
        EXPECT_EQ(e, Error(Error::TrackIndexOutOfRange{-1}));
    }
}
