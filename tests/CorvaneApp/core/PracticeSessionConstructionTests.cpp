// The controller without sound or MIDI devices: construction, stored
// settings, the idle stage and the refusals that need no engine.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
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
    defaults->setDouble(practiceSettings::inputLatencyMilliseconds.key, 250);
    defaults->setInteger(practiceSettings::countInMeasureCount.key, 9);
    EXPECT_DOUBLE_EQ(make().inputLatencyMilliseconds(), 200);
    EXPECT_EQ(controller->countInMeasureCount(), 4);

    defaults->setDouble(practiceSettings::inputLatencyMilliseconds.key, -5);
    defaults->setInteger(practiceSettings::countInMeasureCount.key, -3);
    EXPECT_DOUBLE_EQ(make().inputLatencyMilliseconds(), 0);
    EXPECT_EQ(controller->countInMeasureCount(), 1);

    // A latency stored as a whole number is a latency all the same.
    defaults->setInteger(practiceSettings::inputLatencyMilliseconds.key, 40);
    EXPECT_DOUBLE_EQ(make().inputLatencyMilliseconds(), 40);

    for (const auto& [stored, read] : std::vector<std::pair<int, int>>{{0, 60}, {10, 21}, {120, 108}, {64, 64}}) {
        defaults->setInteger(practiceSettings::handSplitNote.key, stored);
        EXPECT_EQ(make().handSplitNote(), read) << stored;
    }
    auto& c = *controller;

    int writes = 0;
    QObject::connect(defaults.get(), &DefaultsStore::valueChanged, [&] { ++writes; });
    c.setCountInEnabled(false);
    c.setCountInMeasureCount(1);
    c.setCountInMeasureCount(-7);
    EXPECT_EQ(writes, 0) << "unchanged settings are not written";
    c.setCountInMeasureCount(3);
    EXPECT_EQ(defaults->integerValue(practiceSettings::countInMeasureCount.key), 3);
    c.setCountInEnabled(true);
    EXPECT_EQ(defaults->boolValue(practiceSettings::countInEnabled.key), true);

    c.setInputLatencyMilliseconds(300);
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 200);
    EXPECT_EQ(defaults->doubleValue(practiceSettings::inputLatencyMilliseconds.key), 200);
    c.setInputLatencyMilliseconds(std::nan(""));
    EXPECT_DOUBLE_EQ(c.inputLatencyMilliseconds(), 0) << "a latency that is not a number grades nothing late";

    // The other settings: the stored value as declared, written only when it changes.
    c.setHandSplitNote(130);
    EXPECT_EQ(c.handSplitNote(), 108);
    EXPECT_EQ(defaults->integerValue(practiceSettings::handSplitNote.key), 108);
    c.setSeekStepSeconds(40);
    EXPECT_EQ(c.seekStepSeconds(), 30);
    c.setSeekStepSeconds(-1);
    EXPECT_EQ(c.seekStepSeconds(), 5) << "not above 0: the default";
    EXPECT_EQ(defaults->doubleValue(practiceSettings::seekStepSeconds.key), 5);
    writes = 0;
    c.setHandSplitNote(108);
    c.setSeekStepSeconds(5);
    c.setReduceParticles(false);
    c.setMetronomeEnabled(false);
    c.setLoopNudgeStepSeconds(0.05);
    EXPECT_EQ(writes, 0) << "unchanged settings are not written";
}

TEST(PracticeSettingsDeclaration, StoredValuesReadAsDeclaredAndEditsKeepToTheRange)
{
    namespace settings = practiceSettings;
    const auto& latency = settings::inputLatencyMilliseconds;
    EXPECT_EQ(latency.value(std::nullopt), 0);
    EXPECT_EQ(latency.value(std::nan("")), 0);
    EXPECT_EQ(latency.value(-5), 0);
    EXPECT_EQ(latency.value(250), 200);
    EXPECT_EQ(latency.value(std::numeric_limits<double>::infinity()), 200);
    EXPECT_EQ(latency.value(12.5), 12.5) << "stored values are not rounded";
    EXPECT_EQ(latency.edited(12.5), 13.0) << "rows move in whole milliseconds";
    EXPECT_EQ(latency.edited(-40), 0.0);
    EXPECT_FALSE(latency.edited(std::nan("")));

    const auto& seek = settings::seekStepSeconds;
    EXPECT_EQ(seek.value(std::nullopt), 5);
    EXPECT_EQ(seek.value(0), 5);
    EXPECT_EQ(seek.value(-2), 5);
    EXPECT_EQ(seek.value(0.25), 1);
    EXPECT_EQ(seek.value(99), 30);
    EXPECT_EQ(seek.value(12), 12);

    const auto& split = settings::handSplitNote;
    EXPECT_EQ(split.value(std::nullopt), 60);
    EXPECT_EQ(split.value(0), 60) << "0 is what an absent key used to read as";
    EXPECT_EQ(split.value(10), 21);
    EXPECT_EQ(split.value(120), 108);
    EXPECT_EQ(split.edited(64.9), 64) << "the integer part";
    EXPECT_EQ(split.edited(500), 108);

    const auto& nudge = settings::loopNudgeStepSeconds;
    EXPECT_EQ(nudge.value(std::nullopt), 0.05);
    EXPECT_EQ(nudge.value(-1), 0.05);
    EXPECT_EQ(nudge.value(std::nan("")), 0.05);
    EXPECT_EQ(nudge.value(0.25), 0.25);

    const auto& count = settings::countInMeasureCount;
    EXPECT_EQ(count.value(std::nullopt), 1);
    EXPECT_EQ(count.value(0), 1);
    EXPECT_EQ(count.value(-3), 1);
    EXPECT_EQ(count.value(9), 4);
    EXPECT_FALSE(settings::metronome.value(std::nullopt));
    EXPECT_TRUE(settings::reduceParticles.value(true));
}

TEST_F(ConstructionTest, ASettingsFileOfAnEarlierVersionReadsBackByteForByte)
{
    // Every practice setting, each in the JSON type the settings file has
    // always held it in, with a record beside them.
    std::ifstream in(std::filesystem::path(BRELMO_CORE_FIXTURES) / "practice-settings.json", std::ios::binary);
    ASSERT_TRUE(in);
    const std::string fixture{std::istreambuf_iterator<char>(in), {}};
    defaults.reset();
    const auto file = std::filesystem::path(folder.filePath("defaults.json").toStdString());
    std::ofstream(file, std::ios::binary) << fixture;
    defaults = std::make_unique<DefaultsStore>(file);

    auto& c = make();
    EXPECT_EQ(c.inputLatencyMilliseconds(), 20);
    EXPECT_EQ(c.handSplitNote(), 64);
    EXPECT_EQ(c.seekStepSeconds(), 10);
    EXPECT_EQ(c.loopNudgeStepSeconds(), 0.1);
    EXPECT_TRUE(c.countInEnabled());
    EXPECT_EQ(c.countInMeasureCount(), 2);
    EXPECT_TRUE(c.reduceParticles());
    EXPECT_TRUE(c.metronomeEnabled());

    // Each setter given the value it holds: the latency is written again
    // (always), the others not at all; the file comes back unchanged.
    c.setInputLatencyMilliseconds(c.inputLatencyMilliseconds());
    c.setHandSplitNote(c.handSplitNote());
    c.setSeekStepSeconds(c.seekStepSeconds());
    c.setLoopNudgeStepSeconds(c.loopNudgeStepSeconds());
    c.setCountInEnabled(c.countInEnabled());
    c.setCountInMeasureCount(c.countInMeasureCount());
    c.setReduceParticles(c.reduceParticles());
    c.setMetronomeEnabled(c.metronomeEnabled());
    defaults->flush();
    EXPECT_FALSE(defaults->lastWriteError());
    std::ifstream back(file, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(back), {}};
    EXPECT_EQ(written, fixture);
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
