#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/session/BundledDemoSong.hpp"
#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"

using namespace corvane;

// The demo files the build writes are what a student plays along with: each
// must open as a song of two hands that the default hand split separates.
class BundledDemoFile : public testing::TestWithParam<BundledDemoSong> {};

TEST_P(BundledDemoFile, OpensAsTwoPlayableHandsOnThePiano)
{
    const auto song = GetParam();
    const auto url = resourceURL(song, StudioResourceBundle::candidates());
    ASSERT_TRUE(url) << resourceName(song);
    EXPECT_EQ(url->filename(), std::string(resourceName(song)) + ".mid");
    EXPECT_EQ(url->parent_path().filename(), "DemoMIDIs");

    const auto file = StandardMIDIFileParser{}.parseContentsOf(*url);
    EXPECT_EQ(file.format, MIDIFileFormat::simultaneousTracks);
    ASSERT_EQ(file.tracks.size(), 3u);
    EXPECT_EQ(file.tracks[1].name(), "Mão direita");
    EXPECT_EQ(file.tracks[2].name(), "Mão esquerda");

    const MIDITimeline timeline(file);
    ASSERT_EQ(timeline.tempoMap().tempoChanges().size(), 1u);
    ASSERT_EQ(timeline.tempoMap().timeSignatureChanges().size(), 1u);
    const double bpm = timeline.tempoMap().tempoChanges().front().beatsPerMinute();
    EXPECT_GE(bpm, 50);
    EXPECT_LE(bpm, 140);

    std::map<std::int64_t, int> notesPerTrack;
    for (const auto& span : timeline.noteSpans()) {
        ++notesPerTrack[span.trackIndex];
        EXPECT_GE(span.note, 21);
        EXPECT_LE(span.note, 108);
        EXPECT_GT(span.velocity, 0);
        EXPECT_GT(span.durationSeconds(), 0.05);
        if (span.trackIndex == 1) {
            EXPECT_GE(span.note, 60) << "right hand at " << span.startSeconds << " s";
            EXPECT_EQ(span.channel, 0);
        } else {
            EXPECT_LT(span.note, 60) << "left hand at " << span.startSeconds << " s";
            EXPECT_EQ(span.channel, 1);
        }
    }
    EXPECT_EQ(notesPerTrack.size(), 2u);
    EXPECT_GE(notesPerTrack[1], 30);
    EXPECT_GE(notesPerTrack[2], 15);

    // A key is never struck again while it still sounds, which would cut the
    // pairing of presses and releases short.
    auto spans = timeline.noteSpans();
    std::sort(spans.begin(), spans.end(), [](const MIDINoteSpan& a, const MIDINoteSpan& b) {
        return std::tie(a.trackIndex, a.note, a.startSeconds) < std::tie(b.trackIndex, b.note, b.startSeconds);
    });
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].trackIndex == spans[i - 1].trackIndex && spans[i].note == spans[i - 1].note) {
            EXPECT_LT(spans[i - 1].endSeconds, spans[i].startSeconds) << "note " << int(spans[i].note);
        }
    }

    EXPECT_GE(timeline.durationSeconds(), 20);
    EXPECT_LE(timeline.durationSeconds(), 90);
    const MIDIMeasureMap measures(timeline.tempoMap(), timeline.durationSeconds());
    const auto bars = static_cast<std::int64_t>(measures.markers.size()) - 1; // less the song-end marker
    EXPECT_GE(bars, 16);
    EXPECT_LE(bars, 32);
}

INSTANTIATE_TEST_SUITE_P(Demos, BundledDemoFile, testing::ValuesIn(allBundledDemoSongs()),
                         [](const testing::TestParamInfo<BundledDemoSong>& info) {
                             return std::string(resourceName(info.param));
                         });
