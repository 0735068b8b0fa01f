// The song's sound sent ahead of its time, on the real engine: what reaches
// the instrument (the engine's record of every command, with its sample)
// around pauses, rate changes, seeks, loop wraps and muting while events wait
// to play. Nothing may sound twice or go missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "CorvaneApp/session/PracticeSessionStoreProbe.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "SessionTestSupport.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// Beats at 120 a minute: 0.1 beat is 50 ms.
constexpr double step = 0.1;

class SchedulingTest : public SessionTest {
protected:
    // A fast even passage: `count` notes 50 ms apart and 30 ms long, each
    // on its own pitch from `first` up, on the track's channel.
    static std::vector<ScoreNote> passage(int count, std::uint8_t first)
    {
        std::vector<ScoreNote> notes;
        for (int i = 0; i < count; ++i) notes.push_back({i * step, 0.06, std::uint8_t(first + i)});
        return notes;
    }
    static double startOf(int index) { return index * step * 0.5; }

    PracticeSessionStore& open(const std::vector<std::vector<ScoreNote>>& tracks)
    {
        auto& c = makeController();
        engine->recordAppliedCommands(true);
        c.loadMIDI(songs.write("passage.mid", score(tracks)));
        EXPECT_EQ(c.lastImportError(), std::nullopt);
        EXPECT_TRUE(c.isPlaying());
        EXPECT_TRUE(waitForClock());
        return c;
    }

    // Everything the instrument received so far, in order.
    const std::vector<AppliedCommand>& applied()
    {
        for (const auto& command : engine->takeAppliedCommands()) log.push_back(command);
        return log;
    }

    // Note-ons per pitch of one channel, and whether a key was struck again
    // while it still sounded.
    struct Strikes {
        std::map<int, int> count;
        std::vector<int> whileSounding;
        std::vector<int> order;
    };
    Strikes strikes(std::uint8_t channel, std::size_t from = 0)
    {
        Strikes result;
        std::map<int, bool> sounding;
        const auto& all = applied();
        for (std::size_t i = from; i < all.size(); ++i) {
            const auto& command = all[i].command;
            if (const auto* on = command.as<MIDIInstrumentCommand::NoteOn>(); on && on->channel == channel) {
                if (sounding[on->note]) result.whileSounding.push_back(on->note);
                sounding[on->note] = true;
                ++result.count[on->note];
                result.order.push_back(on->note);
            } else if (const auto* off = command.as<MIDIInstrumentCommand::NoteOff>(); off && off->channel == channel) {
                sounding[off->note] = false;
            } else if (const auto* cc = command.as<MIDIInstrumentCommand::ControlChange>();
                       cc && cc->controller == 123 && cc->channel == channel) {
                sounding.clear();
            }
        }
        return result;
    }

    std::vector<AppliedCommand> log;
};

TEST_F(SchedulingTest, AFastPassageSoundsEachNoteOnceThroughPausesAndRateChanges)
{
    constexpr int count = 60;
    auto& c = open({passage(count, 30)});
    std::vector<double> resumedAt;
    int round = 0;
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (c.playbackPositionSeconds() < c.timelineDurationSeconds() - 0.05 && std::chrono::steady_clock::now() < deadline) {
        processEventsFor(37ms);
        if (c.playbackPositionSeconds() >= c.timelineDurationSeconds() - 0.05) break;
        ++round;
        // Rate changes while notes wait ahead; every fourth round a pause.
        c.setPlaybackRate(round % 2 ? 1.3 : 0.8);
        if (round % 4 == 0) {
            c.togglePlayback();
            ASSERT_FALSE(c.isPlaying());
            processEventsFor(15ms);
            resumedAt.push_back(c.playbackPositionSeconds());
            c.togglePlayback();
            ASSERT_TRUE(c.isPlaying());
        }
    }
    ASSERT_TRUE(processEventsUntil([&] { return !c.isPlaying(); }, 5s)) << "the song ends";
    ASSERT_GE(resumedAt.size(), 3u);

    const auto played = strikes(0);
    EXPECT_EQ(played.whileSounding, std::vector<int>{}) << "no key struck again while it sounds";
    ASSERT_EQ(c.timelineNotes().size(), std::size_t(count));
    for (const auto& span : c.timelineNotes()) {
        // A note the song holds where playback resumes is struck again there, by design.
        int held = 0;
        for (const double at : resumedAt) held += span.startSeconds < at && at < span.endSeconds;
        EXPECT_EQ(played.count.count(span.note) ? played.count.at(span.note) : 0, 1 + held) << "note " << int(span.note);
    }
}

TEST_F(SchedulingTest, AChordLargerThanTheEngineHoldsKeepsNoMoreSentAheadAndStrikesEachKeyOnce)
{
    // 20,000 notes struck at 1 s over the 88 keys in turn, sent half a second
    // ahead: more than the engine holds (4,096), so most play at once, and
    // they are far from due when the tick that sent them ends.
    std::vector<ScoreNote> chord;
    for (int i = 0; i < 20'000; ++i) chord.push_back({2.0, 2.0, std::uint8_t(21 + i % 88)});
    PracticeSessionEnvironment environment;
    environment.playbackLookAheadSeconds = 0.5;
    auto& c = makeController({}, {}, std::move(environment));
    engine->recordAppliedCommands(true);
    c.loadMIDI(songs.write("acorde.mid", score({chord})));
    ASSERT_EQ(c.lastImportError(), std::nullopt);
    ASSERT_TRUE(waitForClock());
    std::size_t most = 0;
    ASSERT_TRUE(processEventsUntil(
        [&] {
            most = std::max(most, PracticeSessionStoreProbe::sentAheadCount(c));
            return c.playbackPositionSeconds() > 1.2;
        },
        10s));
    EXPECT_LE(most, 4097u);

    const auto played = strikes(0);
    EXPECT_EQ(played.whileSounding, std::vector<int>{});
    ASSERT_EQ(played.count.size(), 88u);
    for (const auto& [note, count] : played.count) EXPECT_EQ(count, 1) << "note " << note;
}

TEST_F(SchedulingTest, LoopPassesAndSeeksPlayEveryNoteOfTheLoopOnceAPass)
{
    // Notes 20 to 29 (1.0 s to 1.45 s) make the loop; the note at 1.5 s is the loop's end.
    auto& c = open({passage(60, 30)});
    c.setLoopSelection(1.0, 1.5);
    c.applyLoopSelection();
    ASSERT_EQ(c.loopRange(), (MIDILoopRange{1.0, 1.5}));
    const auto firstSeek = hostTimeNow();
    c.seek(1.0);
    processEventsFor(1100ms);
    // A seek back into the loop and a rate change while its notes wait.
    const auto secondSeek = hostTimeNow();
    c.seek(1.2);
    c.setPlaybackRate(1.5);
    processEventsFor(900ms);
    c.togglePlayback();

    // Note-ons of the loop's notes in the cycles of each part, in order.
    const auto order = [&](std::uint64_t from, std::uint64_t to) {
        std::vector<int> pitches;
        for (const auto& command : applied())
            if (const auto* on = command.command.as<MIDIInstrumentCommand::NoteOn>();
                on && command.cycleHostTime > from && command.cycleHostTime <= to && on->note >= 50)
                pitches.push_back(on->note);
        return pitches;
    };
    // Whole passes from the loop's start; nothing past its end.
    const auto first = order(firstSeek, secondSeek);
    ASSERT_GE(first.size(), 20u) << "more than one pass";
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i], 50 + int(i % 10)) << "note-on " << i;
    // From 1.2 s (note 24) to the loop's end, then whole passes again. A
    // cycle that began just before the seek may still play one note of the
    // old pass.
    auto second = order(secondSeek, UINT64_MAX);
    ASSERT_GE(second.size(), 15u);
    if (second[0] != 54) second.erase(second.begin());
    for (std::size_t i = 0; i < second.size(); ++i) EXPECT_EQ(second[i], 50 + int((i + 4) % 10)) << "note-on " << i;
    EXPECT_EQ(strikes(0).whileSounding, std::vector<int>{});
}

TEST_F(SchedulingTest, ALoopsReturnIsSentAheadOnItsSampleAndTakenBackWhenTheLoopIsCleared)
{
    // The passage on channel 0 and, on channel 1, a note held from 0.9 s to
    // 1.7 s across both ends of the loop of notes 20 to 29 (pitches 50 to 59).
    auto& c = open({passage(60, 30), {{1.8, 1.6, 80}}});
    PracticeSessionStoreProbe::stopPlaybackTimer(c);
    c.setLoopSelection(1.0, 1.5);
    c.applyLoopSelection();
    ASSERT_EQ(c.loopRange(), (MIDILoopRange{1.0, 1.5}));

    // Ticks by hand from 1.3 s until the transport stands 15 ms or less
    // before the loop's end, where the window (at least 22 ms) reaches past
    // it; false when a stalled machine let the end pass first.
    const auto arm = [&] {
        for (int attempt = 0; attempt < 5; ++attempt) {
            c.seek(1.3);
            for (int i = 0; i < 2000; ++i) {
                PracticeSessionStoreProbe::tick(c);
                const double at = c.playbackPositionSeconds();
                if (at < 1.3) break;
                if (at >= 1.485) {
                    if (at < 1.495) return true;
                    break;
                }
                processEventsFor(2ms);
            }
        }
        return false;
    };
    const auto noteOnsFrom = [&](std::size_t from, std::uint8_t note, std::uint8_t channel) {
        std::vector<AppliedCommand> found;
        const auto& all = applied();
        for (std::size_t i = from; i < all.size(); ++i)
            if (const auto* on = all[i].command.as<MIDIInstrumentCommand::NoteOn>();
                on && on->note == note && on->channel == channel)
                found.push_back(all[i]);
        return found;
    };

    // No tick comes after the last one before the end: the next pass starts on its own.
    ASSERT_TRUE(arm());
    const auto armed = applied().size();
    processEventsFor(150ms);
    const auto last = noteOnsFrom(0, 59, 0);
    const auto first = noteOnsFrom(armed, 50, 0);
    ASSERT_FALSE(last.empty());
    ASSERT_EQ(first.size(), 1u) << "the loop's first note is sent before the loop's end";
    EXPECT_EQ(first[0].sample, first[0].scheduledSample) << "on its own sample, not at a cycle's start";
    EXPECT_NEAR(double(first[0].sample - last.back().sample), 2400, 64) << "50 ms after the pass's last note";
    // The held note is released at the return and struck again with the loop's start.
    const auto held = noteOnsFrom(armed, 80, 1);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].sample, first[0].sample);

    // Armed again, then the loop is cleared before its end: what was sent
    // past the return is taken back, and the song plays on past 1.5 s.
    bool cleared = false;
    std::size_t clearedFrom = 0;
    for (int attempt = 0; attempt < 5 && !cleared; ++attempt) {
        if (!arm()) continue;
        clearedFrom = applied().size();
        c.updateLoop(std::nullopt);
        cleared = c.playbackPositionSeconds() >= 1.485 && c.playbackPositionSeconds() < 1.5;
    }
    ASSERT_TRUE(cleared);
    ASSERT_EQ(c.loopRange(), std::nullopt);
    for (int i = 0; i < 2000 && c.playbackPositionSeconds() < 1.8 && c.isPlaying(); ++i) {
        PracticeSessionStoreProbe::tick(c);
        processEventsFor(3ms);
    }
    processEventsFor(100ms);
    EXPECT_TRUE(noteOnsFrom(clearedFrom, 50, 0).empty()) << "the next pass is taken back";
    for (std::uint8_t note = 60; note < 66; ++note)
        EXPECT_EQ(noteOnsFrom(clearedFrom, note, 0).size(), 1u) << "note " << int(note) << " past the loop's end";
    // Struck again where the loop was cleared, as every change of the loop
    // does, and never at the withdrawn return.
    EXPECT_EQ(noteOnsFrom(clearedFrom, 80, 1).size(), 1u);
    EXPECT_EQ(strikes(0).whileSounding, std::vector<int>{});
    EXPECT_EQ(strikes(1).whileSounding, std::vector<int>{});
}

TEST_F(SchedulingTest, AMutedTrackFallsSilentAtOnceAndAnUnmutedOneSendsWhatFollows)
{
    // Two tracks of the same passage an octave apart: channels 0 and 1.
    auto& c = open({passage(60, 30), passage(60, 42)});
    processEventsFor(500ms);
    applied();
    const auto mutedAt = hostTimeNow();
    c.setTrackMuted(true, 2);
    processEventsFor(500ms);
    const double unmutedAt = c.playbackPositionSeconds();
    c.setTrackMuted(false, 2);
    const auto unmutedHost = hostTimeNow();
    ASSERT_TRUE(processEventsUntil([&] { return !c.isPlaying(); }, 5s));

    // Nothing of the muted track in any cycle that began after the mute.
    int afterMute = 0;
    for (const auto& command : applied()) {
        const auto* on = command.command.as<MIDIInstrumentCommand::NoteOn>();
        if (on && on->channel == 1 && command.cycleHostTime > mutedAt && command.cycleHostTime < unmutedHost) ++afterMute;
    }
    EXPECT_EQ(afterMute, 0);
    // After the unmute, every note of that track sounds, once; the first
    // track never stopped.
    const auto second = strikes(1);
    for (int i = 0; i < 60; ++i) {
        if (startOf(i) <= unmutedAt + 0.03) continue;
        EXPECT_EQ(second.count.count(42 + i) ? second.count.at(42 + i) : 0, 1) << "note " << i;
    }
    const auto first = strikes(0);
    EXPECT_EQ(first.whileSounding, std::vector<int>{});
    for (int i = 0; i < 60; ++i) EXPECT_GE(first.count.count(30 + i), 1u) << "note " << i;
}

} // namespace
