// The controller made before the stores' records arrive, as the application
// makes it: the session reopens when they come, never over a song opened
// first, and a song opened early takes its stored settings beside the user's.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <memory>

#include "CorvaneApp/DevicelessEnvironment.hpp"
#include "CorvaneApp/TrackTestSongs.hpp"
#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneAudio/audio/AudioTestSupport.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeRecordsLoader.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;

namespace {

// One start of the application over the defaults: its records arrive when asked.
struct LateRun {
    LateRun(DefaultsStore& defaults, PianoAudioEngine& engine)
        : progress(defaults, 200, RecordsArriveLater{}), loops(defaults, 50, RecordsArriveLater{}),
          tracks(defaults, RecordsArriveLater{}), loader(defaults, 200, progress, loops, tracks)
    {
        auto environment = devicelessEnvironment();
        environment.demoBundles = StudioResourceBundle::candidates();
        controller = std::make_unique<PracticeSessionStore>(progress, loops, tracks, nullptr, &engine, defaults,
                                                            PracticeSessionStore::CountInSleep{},
                                                            PracticeSessionStore::CountInClick{}, environment);
        QObject::connect(&loader, &PracticeRecordsLoader::recordsArrived, controller.get(),
                         &PracticeSessionStore::takeArrivedRecords);
    }
    ~LateRun()
    {
        controller->flushProgress();
        controller.reset();
        loader.finishNow();
    }
    bool arrive()
    {
        loader.start();
        return processEventsUntil([&] { return loader.isFinished(); });
    }
    PracticeProgressStore progress;
    PracticeLoopStore loops;
    PracticeTrackStore tracks;
    PracticeRecordsLoader loader;
    std::unique_ptr<PracticeSessionStore> controller;
};

class LateRecordsControllerTest : public ::testing::Test {
protected:
    // Three note tracks (1–3) of eight bars: a song opened without stored settings asks for them.
    std::filesystem::path song(const std::string& name)
    {
        const auto path = folder.filePath(QString::fromStdString(name)).toStdString();
        const auto bytes = trackSong({{"Direita", 64}, {"Esquerda", 64}, {"Baixo", 64}});
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    // A first run with the records at hand: song A with track 1 muted and a
    // saved loop, left open (its session saved).
    void practiseSongA()
    {
        PracticeProgressStore progress(*defaults, 200);
        PracticeLoopStore loops(*defaults, 50);
        PracticeTrackStore tracks(*defaults);
        PracticeSessionStore c(progress, loops, tracks, nullptr, engine.get(), *defaults, {}, {}, devicelessEnvironment());
        c.loadMIDI(songA);
        ASSERT_TRUE(c.currentSong()) << c.lastImportError().value_or("");
        c.setTrackMuted(true, 1);
        c.setLoopStartMeasure(1);
        c.setLoopEndMeasure(1);
        ASSERT_TRUE(c.canSaveCurrentLoop()) << c.lastMeasureNumber();
        ASSERT_TRUE(c.saveCurrentLoop("Abertura"));
        c.flushProgress();
    }
    void SetUp() override
    {
        sharedJackServer();
        engine = std::make_unique<PianoAudioEngine>(*defaults, AudioHostAPI::jack);
    }
    void TearDown() override { engine.reset(); }
    QTemporaryDir folder;
    std::unique_ptr<DefaultsStore> defaults =
        std::make_unique<DefaultsStore>(folder.filePath(QStringLiteral("defaults.json")).toStdString());
    std::unique_ptr<PianoAudioEngine> engine;
    std::filesystem::path songA = song("A.mid");
    std::filesystem::path songB = song("B.mid");
};

} // namespace

TEST_F(LateRecordsControllerTest, TheSessionReopensWhenItArrivesNeverOverASongOpenedFirst)
{
    practiseSongA();
    {
        LateRun run(*defaults, *engine);
        EXPECT_FALSE(run.controller->currentSong()) << "nothing to reopen before the records come";
        ASSERT_TRUE(run.arrive());
        ASSERT_TRUE(run.controller->currentSong());
        EXPECT_EQ(std::filesystem::path(run.controller->currentSong()->filePath()).filename(), "A.mid");
        EXPECT_TRUE(run.controller->trackSetting(1).isMuted);
        EXPECT_EQ(run.controller->savedLoops().size(), 1u);
        EXPECT_FALSE(run.controller->isTrackSelectionPresented());
    }
    {
        LateRun run(*defaults, *engine);
        run.controller->loadMIDI(songB);
        ASSERT_TRUE(run.arrive());
        EXPECT_EQ(std::filesystem::path(run.controller->currentSong()->filePath()).filename(), "B.mid")
            << "the user's song stays open";
    }
}

TEST_F(LateRecordsControllerTest, ASongOpenedBeforeItsSettingsArriveTakesThemBesideTheUsersChanges)
{
    practiseSongA();
    {
        LateRun run(*defaults, *engine);
        auto& c = *run.controller;
        c.loadMIDI(songA);
        EXPECT_FALSE(c.trackSetting(1).isMuted) << "not known yet";
        c.setTrackHand(PracticeTrackHand::left, 2);
        c.setLoopStartMeasure(3);
        c.setLoopEndMeasure(3);
        ASSERT_TRUE(c.saveCurrentLoop("Meio"));
        ASSERT_TRUE(run.arrive());
        EXPECT_TRUE(c.trackSetting(1).isMuted) << "stored";
        EXPECT_EQ(c.trackSetting(2).hand, PracticeTrackHand::left) << "the user's";
        EXPECT_FALSE(c.isTrackSelectionPresented());
        EXPECT_EQ(c.savedLoops().size(), 2u);
    }
    // And so the next start finds them.
    PracticeLoopStore loops(*defaults, 50);
    PracticeTrackStore tracks(*defaults);
    PracticeProgressStore progress(*defaults, 200);
    ASSERT_TRUE(progress.currentSession());
    const auto key = progress.currentSession()->songReference().stableID();
    EXPECT_EQ(loops.bookmarks(key).size(), 2u);
    EXPECT_EQ(tracks.settings(key).size(), 2u);
}
