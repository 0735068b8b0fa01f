// Opening songs on the real engine: what is accepted, how failures are worded,
// and that a failed load never disturbs the song that is open.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "SessionTestSupport.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

constexpr const char* head = "O arquivo MIDI não pôde ser preparado para reprodução.\n\n";

smf::Bytes twoTrackSong()
{
    return score({{{0, 1, 72}, {1, 1, 74}, {2, 1, 76}, {3, 1, 77}}, {{0, 4, 48}}});
}

class LoadingTest : public SessionTest {
protected:
    // A song open and playing, to check that failures leave it alone.
    std::filesystem::path openFirstSong(PracticeSessionStore& c)
    {
        const auto path = songs.write("first.mid", twoTrackSong());
        c.loadMIDI(path);
        EXPECT_EQ(c.lastImportError(), std::nullopt);
        EXPECT_TRUE(c.isPlaying());
        return path;
    }
    void expectFirstSongUntouched(PracticeSessionStore& c, const std::filesystem::path& path)
    {
        ASSERT_TRUE(c.currentSong());
        EXPECT_EQ(c.currentSong()->filePath(), path.string());
        ASSERT_TRUE(c.currentSongReference());
        EXPECT_EQ(c.currentSongReference()->stableID(),
                  PracticeSongReference::externalFile(path.string()).stableID());
        EXPECT_TRUE(c.isPlaying());
    }
};

TEST_F(LoadingTest, BadFilesAreRefusedWithTheirMessageAndTheOpenSongPlaysOn)
{
    auto& c = makeController();
    const auto first = openFirstSong(c);

    c.loadMIDI(songs.write("karaoke.kar", twoTrackSong()));
    EXPECT_EQ(c.lastImportError(), "Escolha um arquivo MIDI (.mid ou .midi).");
    expectFirstSongUntouched(c, first);

    // Cut inside the header chunk: the parser stops at offset 14.
    auto truncated = twoTrackSong();
    truncated.resize(16);
    c.loadMIDI(songs.write("broken.mid", truncated));
    EXPECT_EQ(c.lastImportError(), std::string(head) + "O arquivo parece danificado: unexpectedEnd(offset: 14).");
    expectFirstSongUntouched(c, first);

    auto wrongChunk = twoTrackSong();
    wrongChunk[0] = 'X';
    c.loadMIDI(songs.write("wrong.mid", wrongChunk));
    EXPECT_EQ(c.lastImportError(),
              std::string(head) + "O arquivo parece danificado: invalidChunk(expected: \"MThd\", offset: 0).");

    c.loadMIDI(songs.path() / "vanished.mid");
    EXPECT_EQ(c.lastImportError(), std::string(head) + "O aplicativo não conseguiu ler o arquivo neste local.");

    std::filesystem::create_directory(songs.path() / "folder.mid");
    c.loadMIDI(songs.path() / "folder.mid");
    EXPECT_EQ(c.lastImportError(), std::string(head) + "O item escolhido é uma pasta, não um arquivo MIDI.");

    // A FIFO would block a plain read until someone writes to it.
    const auto fifo = songs.path() / "pipe.mid";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    c.loadMIDI(fifo);
    EXPECT_EQ(c.lastImportError(), std::string(head) + "O item escolhido não é um arquivo comum.");

    // Far beyond any real MIDI file; sparse, so it costs no disk.
    const auto huge = songs.path() / "huge.mid";
    { std::ofstream(huge).put('M'); }
    std::filesystem::resize_file(huge, StandardMIDIFileParser::maximumFileBytes + 1);
    c.loadMIDI(huge);
    EXPECT_EQ(c.lastImportError(), std::string(head) + "O arquivo é grande demais para ser um arquivo MIDI.");

    // Format 2 is read but has no single timeline.
    smf::Track a, b;
    a.noteOn(0, 60).noteOff(beat, 60).endOfTrack();
    b.noteOn(0, 62).noteOff(beat, 62).endOfTrack();
    c.loadMIDI(songs.write("independent.mid", smf::file(2, beat, {a, b})));
    EXPECT_EQ(c.lastImportError(), std::string(head) + "Arquivos MIDI de formato 2, com sequências independentes, "
                                                       "não podem ser abertos para prática.");
    expectFirstSongUntouched(c, first);
}

TEST_F(LoadingTest, AFailedTransportSetUpChangesNothingOfTheOpenSong)
{
    auto& c = makeController();
    const auto first = openFirstSong(c);
    const auto revision = c.progressRevision();
    const auto history = stores->progress.historyEntries();

    c.loadMIDI(songs.write("second.mid", twoTrackSong()), std::nullopt, std::nullopt, std::nullopt, std::nan(""));
    EXPECT_EQ(c.lastImportError(), std::string(head) + "A posição de reprodução é inválida.");
    expectFirstSongUntouched(c, first);
    EXPECT_EQ(c.progressRevision(), revision) << "nothing was saved for a song that did not open";
    EXPECT_EQ(stores->progress.historyEntries(), history);
}

TEST_F(LoadingTest, UpperCaseExtensionOpensAndPositionIsKeptInTheSong)
{
    auto& c = makeController();
    // Two bars: 4 s long.
    const auto path = songs.write("SONG.MID", twoTrackSong());
    c.loadMIDI(path, std::nullopt, std::nullopt, std::nullopt, 12);
    EXPECT_EQ(c.lastImportError(), std::nullopt);
    ASSERT_TRUE(c.currentSong());
    EXPECT_EQ(c.currentSong()->title(), "SONG");
    EXPECT_DOUBLE_EQ(c.timelineDurationSeconds(), 2.0);
    EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), 0.0) << "playing past the end restarts from the beginning";

    c.togglePlayback();
    c.loadMIDI(path, std::string("Outra"), std::nullopt, std::nullopt, -3);
    EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), 0.0);
    EXPECT_EQ(c.currentSong()->title(), "Outra");
    EXPECT_EQ(c.trackNames().at(1), "Trilha 1");
    EXPECT_EQ(c.trackLabel(2), "Trilha 2");
    EXPECT_EQ(c.colorTrackIndices(), (std::vector<std::int64_t>{1, 2}));
}

TEST_F(LoadingTest, ThreePlayableTracksWithoutStoredSettingsAskForTheHandsFirst)
{
    auto& c = makeController();
    const auto path = songs.write("trio.mid", score({{{0, 1, 72}}, {{0, 1, 60}}, {{0, 1, 48}}}));
    c.loadMIDI(path);
    EXPECT_TRUE(c.isTrackSelectionPresented());
    EXPECT_FALSE(c.isPlaying()) << "playback waits for the sheet";
    EXPECT_TRUE(c.hasUnassignedPlayableTracks());

    c.dismissTrackSelection();
    EXPECT_FALSE(c.isTrackSelectionPresented());
    EXPECT_TRUE(c.isPlaying()) << "closing the sheet starts the song";

    // Stored settings for the song: no sheet the next time.
    c.setTrackHand(PracticeTrackHand::right, 1);
    c.loadMIDI(path);
    EXPECT_FALSE(c.isTrackSelectionPresented());
    EXPECT_EQ(c.trackSetting(1).hand, PracticeTrackHand::right);
}

TEST_F(LoadingTest, ASecondSongSavesTheFirstAndARestartRestoresTheLastSession)
{
    const auto first = songs.write("first.mid", twoTrackSong());
    const auto second = songs.write("second.mid", score({{{0, 8, 60}}, {{0, 8, 48}}}));
    {
        auto& c = makeController();
        c.loadMIDI(first);
        const auto firstID = stores->progress.currentSession()->historyEntryID();
        c.loadMIDI(second);
        ASSERT_TRUE(waitForClock());
        c.setPlaybackRate(0.75);
        c.setLoopSelection(1.0, 3.0);
        c.applyLoopSelection();
        c.setPracticeMode(PracticeMode::practice);
        c.setPracticeHand(PracticeHand::left);
        c.seek(1.5);
        c.flushProgress();
        ASSERT_EQ(stores->progress.historyEntries().size(), 2u);
        EXPECT_NE(stores->progress.currentSession()->historyEntryID(), firstID);
        EXPECT_EQ(stores->progress.currentSession()->songTitle(), "second");
    }
    // A new controller on the same defaults file reopens it paused where it was.
    defaults->setDouble(practiceSettings::inputLatencyMilliseconds.key, 30);
    auto& c = makeController();
    ASSERT_TRUE(c.currentSong());
    EXPECT_EQ(c.currentSong()->title(), "second");
    EXPECT_FALSE(c.isPlaying());
    EXPECT_DOUBLE_EQ(c.playbackRate(), 0.75);
    EXPECT_EQ(c.loopRange(), (MIDILoopRange{1.0, 3.0}));
    EXPECT_NEAR(c.playbackPositionSeconds(), 1.5, 0.05);
    EXPECT_EQ(c.practiceMode(), PracticeMode::practice);
    EXPECT_EQ(c.practiceHand(), PracticeHand::left);
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 0) << "the session's latency, not the default's";
    EXPECT_TRUE(c.visualImpactEvents().empty()) << "no start-up chord over a restored song";
}

TEST_F(LoadingTest, ALoopBeyondAShortenedFileNoLongerBlocksTheRestore)
{
    const auto path = songs.write("song.mid", score({{{0, 8, 60}}}));
    {
        auto& c = makeController();
        c.loadMIDI(path);
        ASSERT_TRUE(waitForClock());
        c.setLoopSelection(2.5, 4.0);
        c.applyLoopSelection();
        ASSERT_TRUE(c.loopRange());
        c.flushProgress();
    }
    // The file is now one bar (2 s) long; the saved loop ends at 4 s.
    songs.write("song.mid", score({{{0, 4, 60}}}));
    auto& c = makeController();
    ASSERT_TRUE(c.currentSong()) << c.lastImportError().value_or("");
    EXPECT_EQ(c.loopRange(), std::nullopt) << "a loop entirely past the end is dropped";

    {
        auto& again = makeController();
        again.setLoopSelection(1.0, 2.0);
        again.applyLoopSelection();
        again.flushProgress();
    }
    songs.write("song.mid", score({{{0, 3, 60}}}));
    auto& clamped = makeController();
    ASSERT_TRUE(clamped.currentSong());
    EXPECT_EQ(clamped.loopRange(), (MIDILoopRange{1.0, 1.5})) << "a loop reaching past the end is cut at it";
}

TEST_F(LoadingTest, DemosOpenUnderTheirReferenceAndRecentSongsContinueTheirEntry)
{
    auto& c = makeController();
    for (const auto demo : allBundledDemoSongs()) {
        c.loadDemo(demo);
        ASSERT_EQ(c.lastImportError(), std::nullopt) << rawValue(demo);
        EXPECT_EQ(c.currentSong()->title(), title(demo));
        EXPECT_EQ(c.currentSongReference(), PracticeSongReference::bundledDemo(std::string(rawValue(demo))));
        EXPECT_GT(c.timelineNotes().size(), 20u);
    }
    const auto recent = c.recentSongs();
    ASSERT_EQ(recent.size(), 5u);
    const auto entries = stores->progress.historyEntries().size();
    c.continueRecentSong(recent.back());
    EXPECT_EQ(c.lastImportError(), std::nullopt);
    EXPECT_FALSE(c.isPlaying()) << "a recent song with history continues paused";
    EXPECT_EQ(stores->progress.historyEntries().size(), entries) << "the entry goes on, none is added";

    RecentPracticeSong gone = recent.front();
    gone.reference = PracticeSongReference::externalFile((songs.path() / "nowhere.mid").string(),
                                                         std::vector<std::uint8_t>{1, 2, 3});
    c.continueRecentSong(gone);
    EXPECT_EQ(c.lastImportError(), "O arquivo desta música recente não está mais acessível.");
    gone.reference = PracticeSongReference::bundledDemo("FurElise");
    c.continueRecentSong(gone);
    EXPECT_EQ(c.lastImportError(), "O arquivo desta música recente não está mais acessível.");
}

} // namespace
