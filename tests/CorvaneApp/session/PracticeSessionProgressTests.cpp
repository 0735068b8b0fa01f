// Saving the session, its history line and the active loop's progress, and
// the resets, on the real defaults file.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include <csignal>
#include <cstdlib>

#include "SessionTestSupport.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

class ProgressTest : public SessionTest {
protected:
    PracticeSessionStore& openWithSavedLoop()
    {
        auto& c = makeController();
        c.loadMIDI(songs.write("song.mid", score({{{0, 16, 60}}})));
        EXPECT_TRUE(waitForClock());
        c.setLoopStartMeasure(1);
        c.setLoopEndMeasure(1);
        EXPECT_TRUE(c.saveCurrentLoop("Laço"));
        return c;
    }
    PracticeLoopBookmark storedLoop() const
    {
        return stores->loops.bookmarks(controller->currentSongReference()->stableID()).at(0);
    }
};

TEST_F(ProgressTest, AFlushWhilePlayingKeepsTheRunningTimeOfSessionAndLoop)
{
    auto& c = openWithSavedLoop();
    ASSERT_TRUE(c.isPlaying());
    processEventsFor(700ms);
    c.flushProgress();
    EXPECT_TRUE(c.isPlaying()) << "a flush does not pause";
    EXPECT_GT(storedLoop().metrics.activeDurationSeconds, 0.5);
    ASSERT_TRUE(stores->progress.currentSession());
    EXPECT_GT(stores->progress.currentSession()->metrics.activeDurationSeconds, 0.5);
    EXPECT_EQ(stores->progress.currentSession()->visualPreset, c.visualPreset().clamped());

    // Saves rewrite the session's one history line.
    c.seek(1.0);
    c.flushProgress();
    ASSERT_EQ(stores->progress.historyEntries().size(), 1u);
    EXPECT_EQ(stores->progress.historyEntries()[0].id(), stores->progress.currentSession()->historyEntryID());
}

TEST_F(ProgressTest, ResettingTheOpenSongIsNotUndoneByItsRunningLoop)
{
    auto& c = openWithSavedLoop();
    processEventsFor(1200ms);
    c.flushProgress();
    ASSERT_GT(storedLoop().metrics.activeDurationSeconds, 1.0);

    c.resetProgress(*c.currentSongReference());
    EXPECT_EQ(storedLoop().repetitions, 0);
    EXPECT_TRUE(stores->progress.historyEntries().empty());
    // The next saves write the fresh progress, never the old one back.
    processEventsFor(2300ms);
    c.flushProgress();
    EXPECT_LT(storedLoop().metrics.activeDurationSeconds, 2.6);
    EXPECT_LT(stores->progress.currentSession()->metrics.activeDurationSeconds, 2.6);
    EXPECT_EQ(c.activeLoopBookmarkID(), storedLoop().id()) << "the loop stays active";

    c.resetAllPracticeData();
    ASSERT_EQ(stores->progress.historyEntries().size(), 1u) << "only the open song's fresh line";
    EXPECT_LT(stores->progress.historyEntries()[0].metrics.activeDurationSeconds, 0.1);
    EXPECT_EQ(storedLoop().metrics.playedNoteCount, 0);
}

TEST_F(ProgressTest, AnUnreadableRecordIsKeptAsideAndTheRestLoads)
{
    const std::string garbage = "{not json";
    defaults->setData(PracticeProgressStore::historyKey, std::vector<std::uint8_t>(garbage.begin(), garbage.end()));
    auto& c = makeController();
    c.loadMIDI(songs.write("song.mid", score({{{0, 4, 60}}})));
    c.flushProgress();
    EXPECT_EQ(stores->progress.historyEntries().size(), 1u);
    const auto kept = defaults->dataValue(unreadableRecordKey(PracticeProgressStore::historyKey));
    ASSERT_TRUE(kept);
    EXPECT_EQ(std::string(kept->begin(), kept->end()), garbage);
}

TEST_F(ProgressTest, ThePhotoIsCheckedKeptAndFoundAgainAfterARename)
{
    auto& c = makeController();
    c.loadMIDI(songs.write("song.mid", score({{{0, 4, 60}}})));
    const auto text = songs.path() / "notes.png";
    { std::ofstream(text) << "not an image"; }
    c.selectBackgroundImage(text);
    EXPECT_EQ(c.backgroundImageError(), "O arquivo selecionado não contém uma imagem compatível.");
    EXPECT_EQ(c.backgroundImageURL(), std::nullopt);
    c.selectBackgroundImage(songs.path() / "missing.png");
    EXPECT_EQ(c.backgroundImageError(), "Não foi possível ler a foto selecionada.");

    const auto photo = songs.path() / "photo.png";
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(photo.string())));
    c.selectBackgroundImage(photo);
    EXPECT_EQ(c.backgroundImageError(), std::nullopt);
    EXPECT_EQ(c.backgroundImageURL(), photo.string());
    ASSERT_TRUE(c.visualPreset().background.imageReference);
    EXPECT_TRUE(c.visualPreset().background.imageReference->bookmarkData);
    EXPECT_EQ(stores->progress.currentSession()->visualPreset.background.imageReference,
              c.visualPreset().background.imageReference) << "choosing a photo saves the session";

    // Renamed in its folder: the next start finds it by its bookmark and renews it.
    const auto renamed = songs.path() / "renamed.png";
    std::filesystem::rename(photo, renamed);
    auto& restored = makeController();
    EXPECT_EQ(restored.backgroundImageError(), std::nullopt);
    EXPECT_EQ(restored.backgroundImageURL(), renamed.string());
    EXPECT_EQ(restored.visualPreset().background.imageReference->path, renamed.string());

    // Gone for good: the message says the authorisation expired, the reference stays.
    restored.flushProgress();
    std::filesystem::remove(renamed);
    auto& gone = makeController();
    EXPECT_EQ(gone.backgroundImageError(),
              "A autorização salva para a foto de fundo expirou. Escolha a foto novamente para renová-la.");
    EXPECT_EQ(gone.backgroundImageURL(), std::nullopt);
    EXPECT_TRUE(gone.visualPreset().background.imageReference);
    ASSERT_TRUE(gone.currentSong()) << "the session opens without its photo";

    gone.resetVisualParameters();
    EXPECT_EQ(gone.visualPreset(), PracticeSessionStore::builtInVisualPreset());
    EXPECT_EQ(gone.backgroundImageError(), std::nullopt);
}

// The child half of the test below: plays and saves until it is killed.
TEST(PersistenceChild, DISABLED_PlaysAndSavesUntilKilled)
{
    const char* file = std::getenv("BRELMO_CHILD_DEFAULTS");
    const char* song = std::getenv("BRELMO_CHILD_SONG");
    ASSERT_TRUE(file && song);
    DefaultsStore defaults(file);
    PianoAudioEngine engine(defaults, AudioHostAPI::jack);
    SessionStores stores(defaults);
    PracticeSessionEnvironment environment;
    environment.makeMIDIDeviceMonitor = [](DefaultsStore&) -> std::unique_ptr<MIDIDeviceMonitor> {
        throw std::runtime_error("none");
    };
    PracticeSessionStore c(stores.progress, stores.loops, stores.tracks, nullptr, &engine, defaults, {}, {},
                           environment);
    if (!c.currentSong()) c.loadMIDI(song);
    c.setLoopStartMeasure(1);
    c.setLoopEndMeasure(2);
    c.saveCurrentLoop("Laço");
    for (int round = 0;; ++round) {
        processEventsFor(100ms);
        c.flushProgress();
        defaults.flush();
        std::printf("saved %d %.6f\n", round, stores.progress.currentSession()->positionSeconds);
        std::fflush(stdout);
    }
}

TEST_F(ProgressTest, AKilledProcessLeavesTheLastSavedSessionHistoryAndLoopsIntact)
{
    const auto file = songs.path() / "child-defaults.json";
    const auto song = songs.write("song.mid", score({{{0, 32, 60}}}));
    QProcess child;
    QStringList environment = QProcess::systemEnvironment();
    environment << QString("BRELMO_CHILD_DEFAULTS=%1").arg(QString::fromStdString(file.string()))
                << QString("BRELMO_CHILD_SONG=%1").arg(QString::fromStdString(song.string()));
    child.setEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=PersistenceChild.DISABLED_PlaysAndSavesUntilKilled"});
    ASSERT_TRUE(child.waitForStarted());
    std::vector<double> saved;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (saved.size() < 6 && std::chrono::steady_clock::now() < deadline) {
        child.waitForReadyRead(200);
        while (child.canReadLine()) {
            const auto line = child.readLine().trimmed().split(' ');
            if (line.size() == 3 && line[0] == "saved") saved.push_back(line[2].toDouble());
        }
    }
    ASSERT_GE(saved.size(), 6u) << child.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished();

    // What the file holds is a whole save: at least the last one reported
    // (printed to six places).
    DefaultsStore reopened(file);
    EXPECT_EQ(reopened.setAsideFile(), std::nullopt) << "the file is not damaged";
    SessionStores stores(reopened);
    ASSERT_TRUE(stores.progress.currentSession());
    EXPECT_GE(stores.progress.currentSession()->positionSeconds, saved.back() - 1e-5);
    EXPECT_EQ(stores.progress.historyEntries().size(), 1u);
    const auto key = stores.progress.currentSession()->songReference().stableID();
    ASSERT_EQ(stores.loops.bookmarks(key).size(), 1u);
    EXPECT_GT(stores.loops.bookmarks(key)[0].metrics.activeDurationSeconds, 0.3);
}

} // namespace
