// The controller without sound or MIDI devices: construction, stored
// settings, the idle stage and the refusals that need no engine.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

#include "CorvaneApp/kit/StudioResourceBundle.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneDomain/MIDIFileParseError.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"

using namespace corvane;

namespace {

class ConstructionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        defaults = std::make_unique<DefaultsStore>(folder.filePath("defaults.json").toStdString());
    }

    // No engine and no monitor can be made here; the demos are where `demos` says.
    PracticeSessionStore& make(bool demosPresent = true)
    {
        controller.reset();
        progress = std::make_unique<PracticeProgressStore>(*defaults, 200);
        loops = std::make_unique<PracticeLoopStore>(*defaults, 50);
        tracks = std::make_unique<PracticeTrackStore>(*defaults);
        PracticeSessionEnvironment environment;
        environment.makeAudioEngine = [](DefaultsStore&) -> std::unique_ptr<PianoAudioEngine> {
            throw std::runtime_error("no sound here");
        };
        environment.makeMIDIDeviceMonitor = [](DefaultsStore&) -> std::unique_ptr<MIDIDeviceMonitor> {
            throw std::runtime_error("no MIDI here");
        };
        environment.demoBundles = StudioResourceBundle::candidates();
        if (!demosPresent)
            environment.demoResourceURL = [](BundledDemoSong demo) -> std::optional<std::filesystem::path> {
                if (demo == BundledDemoSong::greensleeves) return std::nullopt;
                return resourceURL(demo, StudioResourceBundle::candidates());
            };
        controller = std::make_unique<PracticeSessionStore>(*progress, *loops, *tracks, nullptr, nullptr, *defaults,
                                                            PracticeSessionStore::CountInSleep{},
                                                            PracticeSessionStore::CountInClick{}, environment);
        return *controller;
    }

    QTemporaryDir folder;
    std::unique_ptr<DefaultsStore> defaults;
    std::unique_ptr<PracticeProgressStore> progress;
    std::unique_ptr<PracticeLoopStore> loops;
    std::unique_ptr<PracticeTrackStore> tracks;
    std::unique_ptr<PracticeSessionStore> controller;
};

TEST_F(ConstructionTest, AFreshStartPlaysTheIdleStageWithTheStartUpChord)
{
    auto& c = make();
    EXPECT_FALSE(c.countInEnabled());
    EXPECT_EQ(c.countInMeasureCount(), 1);
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 0);
    EXPECT_EQ(c.practiceMode(), PracticeMode::accompaniment);
    EXPECT_EQ(c.practiceHand(), PracticeHand::both);
    EXPECT_DOUBLE_EQ(c.playbackRate(), 1.0);
    EXPECT_TRUE(c.isPlaying());
    EXPECT_EQ(c.visualPreset(), PracticeSessionStore::builtInVisualPreset());
    EXPECT_EQ(c.lastImportError(), "O piano padrão não pôde ser carregado.");

    const auto& impacts = c.visualImpactEvents();
    ASSERT_EQ(impacts.size(), 3u);
    const double accent = c.visualPreset().accentHue;
    EXPECT_EQ(impacts[0], (VisualImpactEvent{1, 60, 104, accent, std::nullopt}));
    EXPECT_EQ(impacts[1], (VisualImpactEvent{2, 64, 92, accent + 0.025, std::nullopt}));
    EXPECT_EQ(impacts[2], (VisualImpactEvent{3, 67, 98, accent + 0.05, std::nullopt}));

    // Without a song, play/pause only toggles the idle stage.
    c.togglePlayback();
    EXPECT_FALSE(c.isPlaying());
    EXPECT_EQ(c.visualImpactEvents().size(), 3u);
    c.togglePlayback();
    EXPECT_TRUE(c.isPlaying());
    EXPECT_EQ(c.visualImpactEvents().size(), 6u);
    EXPECT_EQ(c.visualImpactEvents().back().sequence, 6u);

    // Nothing was opened, so nothing is saved and the revision stays.
    EXPECT_EQ(c.progressRevision(), 0u);
    c.flushProgress();
    EXPECT_EQ(c.progressRevision(), 0u);
    EXPECT_FALSE(progress->currentSession());
}

TEST_F(ConstructionTest, AMissingDemoIsReportedOverTheEngineFailure)
{
    auto& c = make(false);
    EXPECT_EQ(c.lastImportError(), "Uma ou mais demonstrações não foram encontradas no aplicativo.");
    c.loadDemo(BundledDemoSong::greensleeves);
    EXPECT_EQ(c.lastImportError(), "A demonstração não foi encontrada no aplicativo.");
    // A demo that exists still needs the engine.
    c.loadDemo(BundledDemoSong::odeToJoy);
    EXPECT_EQ(c.lastImportError(), "O mecanismo de áudio não está disponível.");
    c.loadMIDI("/tmp/song.kar");
    EXPECT_EQ(c.lastImportError(), "Escolha um arquivo MIDI (.mid ou .midi).");
    EXPECT_FALSE(c.currentSong());
}

TEST_F(ConstructionTest, StoredSettingsAreClampedAndOnlyRealChangesAreWritten)
{
    defaults->setDouble(PracticeSessionStore::inputLatencyKey, 250);
    defaults->setInteger(PracticeSessionStore::countInMeasureCountKey, 9);
    EXPECT_DOUBLE_EQ(make().inputLatencyMilliseconds(), 200);
    EXPECT_EQ(controller->countInMeasureCount(), 4);

    defaults->setDouble(PracticeSessionStore::inputLatencyKey, -5);
    defaults->setInteger(PracticeSessionStore::countInMeasureCountKey, -3);
    EXPECT_DOUBLE_EQ(make().inputLatencyMilliseconds(), 0);
    EXPECT_EQ(controller->countInMeasureCount(), 1);

    // A latency stored as a whole number is a latency all the same.
    defaults->setInteger(PracticeSessionStore::inputLatencyKey, 40);
    auto& c = make();
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 40);

    for (const auto& [stored, read] : std::vector<std::pair<int, int>>{{0, 60}, {10, 21}, {120, 108}, {64, 64}}) {
        defaults->setInteger(PracticeSessionStore::handSplitNoteKey, stored);
        EXPECT_EQ(c.handSplitNote(), read) << stored;
    }

    int writes = 0;
    QObject::connect(defaults.get(), &DefaultsStore::valueChanged, [&] { ++writes; });
    c.setCountInEnabled(false);
    c.setCountInMeasureCount(1);
    c.setCountInMeasureCount(-7);
    EXPECT_EQ(writes, 0) << "unchanged settings are not written";
    c.setCountInMeasureCount(3);
    EXPECT_EQ(defaults->integerValue(PracticeSessionStore::countInMeasureCountKey), 3);
    c.setCountInEnabled(true);
    EXPECT_EQ(defaults->boolValue(PracticeSessionStore::countInEnabledKey), true);

    c.setInputLatencyMilliseconds(300);
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 200);
    EXPECT_EQ(defaults->doubleValue(PracticeSessionStore::inputLatencyKey), 200);
    c.setInputLatencyMilliseconds(std::nan(""));
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 0) << "a latency that is not a number grades nothing late";

    // The settings window writes the default directly; the controller follows.
    defaults->setDouble(PracticeSessionStore::inputLatencyKey, 75);
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 75);
}

TEST_F(ConstructionTest, ImpactsKeepTheNewestThirtyTwoWithRisingNumbers)
{
    auto& c = make();
    for (int i = 0; i < 40; ++i) c.emitImpact(static_cast<std::uint8_t>(40 + i), 100, 0.5, i);
    const auto& impacts = c.visualImpactEvents();
    ASSERT_EQ(impacts.size(), 32u);
    EXPECT_EQ(impacts.front().sequence, 12u);
    EXPECT_EQ(impacts.back().sequence, 43u);
    for (std::size_t i = 1; i < impacts.size(); ++i) EXPECT_GT(impacts[i].sequence, impacts[i - 1].sequence);
}

TEST(TrackSettingsMerge, StoredSettingsAreLaidOverThePlayableTracks)
{
    const std::vector<PracticeTrackSetting> stored = {
        PracticeTrackSetting(3, PracticeTrackHand::left, false),
        PracticeTrackSetting(3, PracticeTrackHand::right, true),
        PracticeTrackSetting(9, PracticeTrackHand::right, true),
    };
    const auto merged = PracticeSessionStore::mergedTrackSettings(stored, {3, 5});
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0], PracticeTrackSetting(3, PracticeTrackHand::left, false)) << "the first entry wins";
    EXPECT_EQ(merged[1], PracticeTrackSetting(5, PracticeTrackHand::automatic, false));
}

TEST(ImportFailureMessages, EveryParseErrorIsWordedWithItsCaseAndValues)
{
    const std::string head = "O arquivo MIDI não pôde ser preparado para reprodução.\n\nO arquivo parece danificado: ";
    using E = MIDIFileParseError;
    const std::vector<std::pair<MIDIFileParseError, std::string>> cases = {
        {E::InvalidHeaderLength{5}, "invalidHeaderLength(5)"},
        {E::UnsupportedFormat{3}, "unsupportedFormat(3)"},
        {E::InvalidTrackCount{0, 2}, "invalidTrackCount(format: 0, count: 2)"},
        {E::InvalidTimeDivision{0}, "invalidTimeDivision(0)"},
        {E::InvalidVariableLengthQuantity{40}, "invalidVariableLengthQuantity(offset: 40)"},
        {E::MissingRunningStatus{22}, "missingRunningStatus(offset: 22)"},
        {E::InvalidStatus{244, 30}, "invalidStatus(244, offset: 30)"},
        {E::TickOverflow{1}, "tickOverflow(track: 1)"},
        {E::TrackBoundaryExceeded{2}, "trackBoundaryExceeded(track: 2)"},
    };
    for (const auto& [error, text] : cases)
        EXPECT_EQ(PracticeSessionStore::importFailureMessage(error), head + text + ".");
    EXPECT_EQ(PracticeSessionStore::importFailureMessage(std::runtime_error("x")),
              "O arquivo MIDI não pôde ser preparado para reprodução.\n\nOcorreu um erro inesperado.");
}

} // namespace
