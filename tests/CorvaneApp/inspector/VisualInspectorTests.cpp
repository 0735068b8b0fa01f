#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest/QTest>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/TrackTestSongs.hpp"
#include "CorvaneApp/inspector/PracticeInspectorTab.hpp"
#include "CorvaneApp/inspector/TrackSwatchButton.hpp"
#include "CorvaneApp/inspector/TrackSwatchGrid.hpp"
#include "CorvaneApp/inspector/VisualBackgroundInspectorView.hpp"
#include "CorvaneApp/inspector/VisualColorControls.hpp"
#include "CorvaneApp/inspector/VisualEffectsInspectorTab.hpp"
#include "CorvaneApp/inspector/VisualEnvironmentControls.hpp"
#include "CorvaneApp/inspector/VisualInspectorRows.hpp"
#include "CorvaneApp/inspector/VisualInspectorView.hpp"
#include "CorvaneApp/inspector/VisualParticleControls.hpp"
#include "CorvaneApp/kit/internal/ColorSpectrumPicker.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;
using Category = VisualInspectorCategory;

namespace {

nlohmann::json presetJSON(const PracticeSessionStore& store) { return encodeJSON(store.visualPreset()); }

// One row of a category's table: what it shows and which field it writes.
// The texts are the read-outs at the two ends; the kit's slider counts its
// steps from 0, so a lower bound off the step (0.25 in steps of 0.1) is
// reached only as the first step inside the range.
struct ParameterCase {
    const char* title;
    const char* path;
    double lower, upper, step;
    StudioValueFormat format;
    const char* lowerText;
    const char* upperText;
};

const auto d2 = StudioValueFormat::decimal(2);
const auto pc = StudioValueFormat::percent();

const std::vector<ParameterCase> colorRows{
    {"Opacidade", "/keyOverlayOpacity", 0, 1, 0.05, pc, "0%", "100%"},
    {"Velocidade", "/noteSpeed", 0.5, 2, 0.05, d2, "0,50", "2,00"},
    {"Glow", "/glowIntensity", 0, 1, 0.05, pc, "0%", "100%"},
};

const std::vector<ParameterCase> particleRows{
    {"Opacidade", "/particleOpacity", 0, 1, 0.05, d2, "0,00", "1,00"},
    {"Variação de cor", "/particleColorVariation", 0, 1, 0.05, pc, "0%", "100%"},
    {"Intensidade", "/particleIntensity", 0, 4, 0.1, d2, "0,00", "4,00"},
    {"Quantidade", "/particleQuantity", 0.25, 6, 0.1, d2, "0,30", "6,00"},
    {"Flash de impacto", "/particleImpactFlash", 0, 4, 0.1, d2, "0,00", "4,00"},
    {"Tamanho", "/particleSize", 0.25, 5, 0.1, d2, "0,30", "5,00"},
    {"Dispersão", "/particleSpread", 0, 5, 0.1, d2, "0,00", "5,00"},
    {"Velocidade", "/particleSpeed", 0, 5, 0.1, d2, "0,00", "5,00"},
    {"Gravidade", "/particleGravity", -4, 5, 0.1, d2, "-4,00", "5,00"},
    {"Duração", "/particleLifetime", 0.1, 5, 0.1, d2, "0,10", "5,00"},
    {"Turbulência", "/particleTurbulence", 0, 4, 0.1, d2, "0,00", "4,00"},
    {"Resistência do ar", "/particleDrag", 0, 2, 0.1, d2, "0,00", "2,00"},
    {"Glow", "/particleGlowIntensity", 0, 4, 0.1, d2, "0,00", "4,00"},
    {"Raio do glow", "/particleGlowRadius", 0.25, 4, 0.05, d2, "0,25", "4,00"},
    {"Comprimento", "/particleTrailLength", 0, 4, 0.1, d2, "0,00", "4,00"},
    {"Amostras", "/particleTrailSamples", 0, 8, 1, StudioValueFormat::decimal(0), "0", "8"},
};

const std::vector<ParameterCase> environmentRows{
    {"Intensidade", "/smokeIntensity", 0, 2, 0.1, d2, "0,00", "2,00"},
    {"Opacidade", "/smokeOpacity", 0, 1, 0.05, d2, "0,00", "1,00"},
    {"Volume", "/smokeSize", 0.5, 2.5, 0.05, d2, "0,50", "2,50"},
    {"Densidade", "/smokeDensity", 0.25, 2.5, 0.05, d2, "0,25", "2,50"},
    {"Turbulência", "/smokeTurbulence", 0, 2.5, 0.05, d2, "0,00", "2,50"},
    {"Velocidade", "/smokeSpeed", 0, 2.5, 0.05, d2, "0,00", "2,50"},
    {"Expansão", "/smokeSpread", 0.5, 3, 0.05, d2, "0,50", "3,00"},
    {"Espessura", "/saberThickness", 0.5, 4, 0.1, d2, "0,50", "4,00"},
    {"Posição Y", "/saberYOffset", -160, 160, 1, StudioValueFormat::pixels(), "-160 px", "160 px"},
    {"Intensidade", "/saberIntensity", 0, 1, 0.05, pc, "0%", "100%"},
};

// Its choices as the menu shows them when it opens.
QStringList menuItems(StudioMenuRow& row)
{
    emit row.menuRequested();
    QStringList titles;
    for (QAction* action : row.menu()->actions()) titles << action->text();
    return titles;
}

VisualPresetRows& rowsOf(QWidget* content)
{
    if (auto color = qobject_cast<VisualColorControls*>(content)) return color->rows();
    if (auto particles = qobject_cast<VisualParticleControls*>(content)) return particles->rows();
    return qobject_cast<VisualEnvironmentControls*>(content)->rows();
}

// Holds the pointer on the slider while it moves to each x in turn.
void drag(StudioTrackSlider& slider, std::initializer_list<int> xs, const std::function<void(int)>& after)
{
    const int y = slider.height() / 2;
    bool first = true;
    int step = 0;
    for (int x : xs) {
        if (first) QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x, y));
        else QTest::mouseMove(&slider, QPoint(x, y));
        first = false;
        after(step++);
    }
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(*(xs.end() - 1), y));
}

} // namespace

class VisualInspectorTest : public ::testing::Test {
protected:
    PracticeSessionStore& c() { return harness.controller(); }
    void open(const std::vector<TestTrack>& tracks, const std::string& name = "paleta.mid")
    {
        c().loadMIDI(folder.write(name, trackSong(tracks)));
        ASSERT_EQ(c().lastImportError(), std::nullopt);
        if (c().isPlaying()) c().togglePlayback();
    }
    // The visual page as the panel shows it, 258 wide.
    VisualEffectsInspectorTab& visualPage(Category category)
    {
        panel.setPage(InspectorPage::visual);
        panel.visualPage()->setCategory(category);
        return *panel.visualPage();
    }

    // The colour page, for a song of `tracks` whose notes are coloured per track.
    VisualColorControls* perTrackColorPage(const std::vector<TestTrack>& tracks)
    {
        VisualPreset perTrack = c().visualPreset();
        perTrack.noteColorMode = NoteColorMode::perTrack;
        c().setVisualPreset(perTrack);
        open(tracks);
        auto* color = qobject_cast<VisualColorControls*>(visualPage(Category::color).content());
        processEventsFor(std::chrono::milliseconds(20));
        return color;
    }

    ControllerHarness harness{true};
    TestFolder folder{"brelmo-visual-inspector"};
    VisualInspectorView panel{harness.controller()};
    void SetUp() override
    {
        panel.resize(258, 760);
        panel.show();
    }
};

TEST_F(VisualInspectorTest, EveryParameterRowWritesItsOneFieldAtBothSnappedEnds)
{
    const std::vector<std::pair<Category, const std::vector<ParameterCase>*>> categories{
        {Category::color, &colorRows}, {Category::particles, &particleRows}, {Category::environment, &environmentRows}};
    for (const auto& [category, table] : categories) {
        QWidget* content = visualPage(category).content();
        const auto& rows = rowsOf(content).parameterRows();
        ASSERT_EQ(rows.size(), table->size()) << visualInspectorCategoryTitle(category).toStdString();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const ParameterCase& expected = (*table)[i];
            StudioParameterRow& row = *rows[i];
            SCOPED_TRACE(expected.path);
            EXPECT_EQ(row.title(), QString::fromUtf8(expected.title));
            EXPECT_EQ(row.label()->width(), 84);
            EXPECT_EQ(row.slider()->lower(), expected.lower);
            EXPECT_EQ(row.slider()->upper(), expected.upper);
            EXPECT_EQ(row.slider()->step(), expected.step);
            EXPECT_EQ(row.format(), expected.format);
            EXPECT_EQ(row.slider()->track(), std::nullopt);
            const bool samples = std::string(expected.path) == "/particleTrailSamples";
            EXPECT_EQ(row.isInteger(), samples);
            EXPECT_EQ(row.slider()->discreteCells(), samples ? std::optional<int>(8) : std::nullopt);

            StudioTrackSlider& slider = *row.slider();
            nlohmann::json before;
            drag(slider, {slider.width() / 2, -60, slider.width() + 60}, [&](int step) {
                const nlohmann::json now = presetJSON(c());
                if (step > 0) {
                    const nlohmann::json patch = nlohmann::json::diff(before, now);
                    ASSERT_EQ(patch.size(), 1u) << patch.dump();
                    EXPECT_EQ(patch[0]["op"], "replace");
                    EXPECT_EQ(patch[0]["path"], expected.path);
                    const double bound = step == 1 ? expected.lower : expected.upper;
                    const double snapped =
                        std::clamp(expected.step * std::round(bound / expected.step), expected.lower, expected.upper);
                    EXPECT_EQ(patch[0]["value"].get<double>(), snapped);
                    EXPECT_EQ(patch[0]["value"].is_number_integer(), samples) << "Amostras stores whole numbers";
                    EXPECT_EQ(row.readoutText(),
                              QString::fromUtf8(step == 1 ? expected.lowerText : expected.upperText));
                }
                before = now;
            });
        }
    }
}

TEST_F(VisualInspectorTest, MenusListTheirLabelsInOrderAndWriteOnlyAChange)
{
    const QStringList blend22{
        "Normal", "Multiplicar", "Tela", "Sobrepor", "Escurecer", "Clarear", "Subexposição de cor",
        "Superexposição de cor", "Luz suave", "Luz forte", "Diferença", "Exclusão", "Matiz", "Saturação", "Cor",
        "Luminosidade", "Origem sobre destino", "Destino sobre origem", "Remover destino", "Somar escuro",
        "Somar claro", "Aditivo"};
    const QStringList blend21 = blend22.mid(0, 21);
    struct MenuCase {
        Category category;
        const char* title;
        QStringList items;
        const char* path;
    };
    const std::vector<MenuCase> menus{
        {Category::color, "Distribuição", {"Cor única", "Uma por track"}, "/noteColorMode"},
        {Category::color, "Mistura", blend22, "/keyOverlayBlendMode"},
        {Category::particles, "Tipo", {"Faíscas", "Explosão", "Poeira", "Fitas", "Espiral", "Jatos"}, "/particlePattern"},
        {Category::particles, "Mistura", blend22, "/particleBlendMode"},
        {Category::environment, "Padrão", {"Filamentos", "Nuvens", "Fitas", "Coluna"}, "/smokePattern"},
        {Category::environment, "Mistura", blend22, "/smokeBlendMode"},
        {Category::environment, "Mistura", blend21, "/saberBlendMode"},
    };
    std::map<Category, std::size_t> seen;
    for (const MenuCase& expected : menus) {
        SCOPED_TRACE(expected.path);
        const auto& rows = rowsOf(visualPage(expected.category).content()).menuRows();
        ASSERT_LT(seen[expected.category], rows.size());
        StudioMenuRow& row = *rows[seen[expected.category]++];
        EXPECT_EQ(row.titleLabel()->title(), QString::fromUtf8(expected.title));
        EXPECT_EQ(menuItems(row), expected.items);
        EXPECT_EQ(row.maxValueWidth(), 150);
        EXPECT_FALSE(row.isCompact());
        EXPECT_FALSE(row.activeInstrumentHasUserInterface());

        // The current choice again publishes nothing.
        const int current = int(expected.items.indexOf(row.value()));
        ASSERT_GE(current, 0) << row.value().toStdString();
        QSignalSpy published(&c(), &PracticeSessionStore::visualPresetChanged);
        row.menu()->actions()[current]->trigger();
        EXPECT_EQ(published.count(), 0);

        // Another one writes its field alone, and the row shows its label.
        const int other = (current + 1) % int(expected.items.size());
        const nlohmann::json before = presetJSON(c());
        row.menu()->actions()[other]->trigger();
        const nlohmann::json patch = nlohmann::json::diff(before, presetJSON(c()));
        ASSERT_EQ(patch.size(), 1u) << patch.dump();
        EXPECT_EQ(patch[0]["path"], expected.path);
        EXPECT_EQ(published.count(), 1);
        EXPECT_EQ(row.value(), expected.items[other]);
    }
    EXPECT_EQ(localizedTitle(ParticlePattern::ribbons), localizedTitle(SmokePattern::ribbons));
    EXPECT_EQ(localizedTitle(BackgroundBlendMode::colorBurn), "Superexposição de cor");
}

TEST_F(VisualInspectorTest, ColourRowsWriteEachComponentToItsOwnField)
{
    struct ColourCase {
        Category category;
        const char* title;
        const char* prefix;
    };
    for (const ColourCase& expected : std::vector<ColourCase>{{Category::color, "Cor das notas", "/accent"},
                                                             {Category::environment, "Principal", "/smokePrimary"},
                                                             {Category::environment, "Secundária", "/smokeSecondary"},
                                                             {Category::environment, "Cor", "/saber"}}) {
        SCOPED_TRACE(expected.title);
        StudioColorRow* row = nullptr;
        for (StudioColorRow* candidate : visualPage(expected.category).content()->findChildren<StudioColorRow*>())
            if (candidate->titleLabel()->title() == QString::fromUtf8(expected.title)) row = candidate;
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->opacity(), std::nullopt);
        ColorSpectrumPicker& picker = *row->picker();
        const std::vector<std::pair<std::function<void()>, const char*>> edits{
            {[&] { emit picker.hueEdited(0.61); }, "Hue"},
            {[&] { emit picker.saturationEdited(0.42); }, "Saturation"},
            {[&] { emit picker.brightnessEdited(0.33); }, "Brightness"}};
        for (const auto& [edit, component] : edits) {
            const nlohmann::json before = presetJSON(c());
            edit();
            const nlohmann::json patch = nlohmann::json::diff(before, presetJSON(c()));
            ASSERT_EQ(patch.size(), 1u) << patch.dump();
            EXPECT_EQ(patch[0]["path"], std::string(expected.prefix) + component);
        }
        EXPECT_EQ(row->hue(), 0.61);
    }
}

TEST_F(VisualInspectorTest, PerTrackPaletteFollowsTheSongsTracksAndStoresTheFlooredColour)
{
    // Without a song the palette has only its hint.
    VisualPreset perTrack = c().visualPreset();
    perTrack.noteColorMode = NoteColorMode::perTrack;
    perTrack.trackColors.clear();
    c().setVisualPreset(perTrack);
    auto* color = qobject_cast<VisualColorControls*>(visualPage(Category::color).content());
    ASSERT_NE(color, nullptr);
    EXPECT_TRUE(color->distributionRow().isVisible());
    EXPECT_EQ(color->distributionRow().value(), QStringLiteral("Uma por track"));
    EXPECT_TRUE(color->hintText().isVisible());
    EXPECT_EQ(color->hintText().text(), QStringLiteral("Abra uma música com tracks de notas para configurar a paleta."));
    EXPECT_FALSE(color->trackRow().isVisible());
    EXPECT_FALSE(color->swatchGrid().isVisible());
    EXPECT_FALSE(color->trackColorRow().isVisible());
    EXPECT_FALSE(color->noteColorRow().isVisible());

    // Tracks 2 and 5 have notes; track 2 is named, 5 is the song's second.
    open({{"", 0}, {"Melodia", 3}, {"", 0}, {"", 0}, {"", 2}});
    ASSERT_EQ(c().colorTrackIndices(), (std::vector<std::int64_t>{2, 5}));
    EXPECT_FALSE(color->hintText().isVisible());
    ASSERT_TRUE(color->trackRow().isVisible());
    EXPECT_EQ(color->selectedTrackIndex(), 0);
    EXPECT_EQ(color->editedTrackIndex(), 2);
    EXPECT_EQ(color->trackRow().value(), QStringLiteral("Melodia"));
    EXPECT_EQ(menuItems(color->trackRow()), (QStringList{"Melodia", "Track 2"}));
    EXPECT_EQ(color->trackColorRow().titleLabel()->title(), QStringLiteral("Melodia"));
    const auto& swatches = color->swatchGrid().swatches();
    ASSERT_EQ(swatches.size(), 2u);
    EXPECT_EQ(swatches[0]->trackIndex(), 2);
    EXPECT_EQ(swatches[0]->ringWidth(), 2);
    EXPECT_EQ(swatches[1]->ringWidth(), 1);
    EXPECT_EQ(swatches[1]->toolTip(), QStringLiteral("Editar a cor de Track 2"));
    EXPECT_EQ(swatches[0]->size(), QSize(22, 22));
    // A track without a colour of its own shows the one stepped from the accent.
    const TrackVisualColor derived = c().visualPreset().color(5);
    EXPECT_EQ(swatches[1]->color(), studioHsbColor(derived.hue, derived.saturation, derived.brightness));

    // The menu and the swatch choose alike, and choosing writes nothing.
    QSignalSpy published(&c(), &PracticeSessionStore::visualPresetChanged);
    QTest::mouseClick(swatches[1], Qt::LeftButton);
    EXPECT_EQ(color->selectedTrackIndex(), 5);
    EXPECT_EQ(color->trackRow().value(), QStringLiteral("Track 2"));
    EXPECT_EQ(swatches[1]->ringWidth(), 2);
    color->trackRow().menu()->actions()[0]->trigger();
    EXPECT_EQ(color->selectedTrackIndex(), 2);
    color->trackRow().menu()->actions()[1]->trigger();
    EXPECT_EQ(color->selectedTrackIndex(), 5);
    EXPECT_EQ(published.count(), 0);

    // Brightness 0.05 for track 5 stores all three components, brightness held to 0.15.
    const nlohmann::json before = presetJSON(c());
    emit color->trackColorRow().picker()->brightnessEdited(0.05);
    const nlohmann::json patch = nlohmann::json::diff(before, presetJSON(c()));
    ASSERT_EQ(patch.size(), 1u) << patch.dump();
    EXPECT_EQ(patch[0]["op"], "add");
    EXPECT_EQ(patch[0]["path"], "/trackColors/-") << "appended";
    EXPECT_EQ(patch[0]["value"], encodeJSON(TrackVisualColor(5, derived.hue, derived.saturation, 0.15)));
    EXPECT_EQ(color->trackColorRow().brightness(), 0.15);

    // The choice survives a change of category, and a song without track 5 falls back to its first track.
    visualPage(Category::particles);
    color = qobject_cast<VisualColorControls*>(visualPage(Category::color).content());
    EXPECT_EQ(color->selectedTrackIndex(), 5);
    open({{"Direita", 1}, {"", 0}, {"Esquerda", 1}}, "outra.mid");
    EXPECT_EQ(color->selectedTrackIndex(), 5);
    EXPECT_EQ(color->editedTrackIndex(), 1);
    EXPECT_EQ(color->trackRow().value(), QStringLiteral("Direita"));
    EXPECT_EQ(menuItems(color->trackRow()), (QStringList{"Direita", "Esquerda"}));

    // "Cor única" keeps the stored colours and shows the note colour instead.
    color->distributionRow().menu()->actions()[0]->trigger();
    EXPECT_TRUE(color->noteColorRow().isVisible());
    EXPECT_FALSE(color->trackRow().isVisible());
    EXPECT_EQ(c().visualPreset().trackColors.size(), 1u);
}

TEST_F(VisualInspectorTest, APaletteOfThousandsOfTracksMakesTheSwatchesInViewAndEveryOneChooses)
{
    std::vector<TestTrack> tracks(3000, TestTrack{"", 1});
    tracks.back().name = "Última";
    auto* color = perTrackColorPage(tracks);
    ASSERT_NE(color, nullptr);
    VisualEffectsInspectorTab& page = visualPage(Category::color);
    TrackSwatchGrid& grid = color->swatchGrid();
    ASSERT_TRUE(grid.isVisible());
    EXPECT_EQ(grid.tracks().size(), 3000u);
    EXPECT_GT(grid.height(), 10000) << "as tall as every swatch";
    EXPECT_LT(grid.findChildren<TrackSwatchButton*>().size(), 300) << "buttons only for what is in view";
    ASSERT_FALSE(grid.swatches().empty());
    EXPECT_EQ(grid.swatches().front()->trackIndex(), 1);
    EXPECT_EQ(grid.swatches().front()->ringWidth(), 2) << "the edited track";

    // At the end of the page the last swatches are made, named and coloured.
    QScrollBar* bar = page.scrollArea().verticalScrollBar();
    bar->setValue(bar->maximum());
    processEventsFor(std::chrono::milliseconds(20));
    const auto swatches = grid.swatches();
    ASSERT_FALSE(swatches.empty());
    TrackSwatchButton* last = swatches.back();
    EXPECT_EQ(last->trackIndex(), 3000);
    EXPECT_EQ(last->toolTip(), QStringLiteral("Editar a cor de Última"));
    const TrackVisualColor own = c().visualPreset().color(3000);
    EXPECT_EQ(last->color(), studioHsbColor(own.hue, own.saturation, own.brightness));
    EXPECT_EQ(last->ringWidth(), 1);
    QTest::mouseClick(last, Qt::LeftButton);
    EXPECT_EQ(color->selectedTrackIndex(), 3000);
    EXPECT_EQ(color->trackRow().value(), QStringLiteral("Última"));
    EXPECT_EQ(last->ringWidth(), 2);

    // The menu lists every track once it is opened.
    EXPECT_TRUE(color->trackRow().menu()->isEmpty()) << "not made before it opens";
    const QStringList items = menuItems(color->trackRow());
    ASSERT_EQ(items.size(), 3000);
    EXPECT_EQ(items.back(), QStringLiteral("Última"));
}

TEST_F(VisualInspectorTest, ThreeHundredSwatchesAreThreeHundredAccessibleButtonsAndAnyOnePresses)
{
    std::vector<TestTrack> tracks(300);
    for (std::size_t i = 0; i < tracks.size(); ++i) tracks[i] = {"Faixa " + std::to_string(i + 1), 1};
    auto* color = perTrackColorPage(tracks);
    ASSERT_NE(color, nullptr);
    VisualEffectsInspectorTab& page = visualPage(Category::color);
    TrackSwatchGrid& grid = color->swatchGrid();
    ASSERT_TRUE(grid.isVisible());
    EXPECT_LT(grid.findChildren<TrackSwatchButton*>().size(), 300) << "buttons only for what is in view";

    QAccessibleInterface* swatches = QAccessible::queryAccessibleInterface(&grid);
    ASSERT_NE(swatches, nullptr);
    ASSERT_EQ(swatches->childCount(), 300);
    for (int row = 0; row < 300; ++row) {
        QAccessibleInterface* child = swatches->child(row);
        ASSERT_NE(child, nullptr);
        const QString name = QStringLiteral("Faixa %1").arg(row + 1);
        EXPECT_EQ(child->role(), QAccessible::Button);
        EXPECT_EQ(child->text(QAccessible::Name), name);
        EXPECT_EQ(child->text(QAccessible::Description), QStringLiteral("Editar a cor de ") + name);
    }
    for (TrackSwatchButton* made : grid.swatches()) {
        QAccessibleInterface* child = swatches->child(int(made->trackIndex()) - 1);
        EXPECT_EQ(made->accessibleName(), child->text(QAccessible::Name));
        EXPECT_EQ(made->toolTip(), child->text(QAccessible::Description));
    }

    // A swatch far down the page, pressed, scrolls into view and chooses its track.
    QAccessibleInterface* far = swatches->child(279);
    ASSERT_TRUE(far->state().offscreen);
    far->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(color->selectedTrackIndex(), 280);
    EXPECT_EQ(color->trackRow().value(), QStringLiteral("Faixa 280"));
    const auto made = grid.swatches();
    const auto pressed = std::find_if(made.begin(), made.end(), [](auto b) { return b->trackIndex() == 280; });
    ASSERT_NE(pressed, made.end());
    EXPECT_EQ((*pressed)->ringWidth(), 2);
    const QRect shown((*pressed)->mapTo(page.scrollArea().viewport(), QPoint()), (*pressed)->size());
    EXPECT_TRUE(page.scrollArea().viewport()->rect().contains(shown));
    EXPECT_FALSE(far->state().offscreen);
}

TEST_F(VisualInspectorTest, PanelStartsOnPracticeRecreatesPagesAndTakesTheNoteColourAtOnce)
{
    EXPECT_EQ(panel.page(), InspectorPage::practice);
    ASSERT_NE(panel.practicePage(), nullptr);
    EXPECT_EQ(panel.visualPage(), nullptr);
    StudioSegmentedPicker& pages = panel.pagePicker();
    EXPECT_EQ(pages.toolTip(), QStringLiteral("Escolher painel do inspector"));
    ASSERT_EQ(pages.count(), 2);
    EXPECT_EQ(pages.segmentButton(0)->text(), QStringLiteral("Prática"));
    EXPECT_EQ(pages.segmentButton(0)->systemImage(), QStringLiteral("pianokeys"));
    EXPECT_EQ(pages.segmentButton(1)->text(), QStringLiteral("Visual"));
    EXPECT_EQ(pages.segmentButton(1)->systemImage(), QStringLiteral("paintpalette"));
    EXPECT_LT(pages.width(), 258 - 2 * 14) << "the page switch keeps its own size";

    QTest::mouseClick(pages.segmentButton(1), Qt::LeftButton);
    ASSERT_NE(panel.visualPage(), nullptr);
    EXPECT_EQ(panel.practicePage(), nullptr) << "the page not shown does not exist";
    VisualEffectsInspectorTab& visual = *panel.visualPage();
    EXPECT_EQ(visual.category(), Category::color);
    QStringList categories;
    for (int i = 0; i < visual.categoryPicker().count(); ++i) categories << visual.categoryPicker().segmentButton(i)->text();
    EXPECT_EQ(categories, (QStringList{"Cor", "Partículas", "Ambiente", "Fundo"}));
    EXPECT_EQ(fromRawValue<VisualInspectorCategory>("background"), Category::background);
    EXPECT_EQ(fromRawValue<VisualInspectorCategory>("fundo"), std::nullopt);

    // Editing the note colour recolours the panel's controls at once.
    auto* color = qobject_cast<VisualColorControls*>(visual.content());
    ASSERT_NE(color, nullptr);
    StudioTrackSlider* someSlider = color->rows().parameterRows().front()->slider();
    emit color->noteColorRow().picker()->hueEdited(0.5);
    EXPECT_EQ(c().visualPreset().accentHue, 0.5);
    const VisualPreset& preset = c().visualPreset();
    const QColor expected = studioHsbColor(0.5, preset.accentSaturation, preset.accentBrightness);
    EXPECT_EQ(panel.accent(), expected);
    EXPECT_EQ(studioAccent(someSlider), expected);
    EXPECT_EQ(studioAccent(&visual.categoryPicker()), expected);
    EXPECT_EQ(panel.palette().color(QPalette::Highlight), expected);

    // Categories: the background inspector sits in the same scroll view; scroll bars never show.
    QTest::mouseClick(visual.categoryPicker().segmentButton(3), Qt::LeftButton);
    EXPECT_EQ(visual.category(), Category::background);
    ASSERT_NE(qobject_cast<VisualBackgroundInspectorView*>(visual.content()), nullptr);
    EXPECT_TRUE(visual.scrollArea().widget()->isAncestorOf(visual.content()));
    visual.setCategory(Category::particles);
    processEventsFor(std::chrono::milliseconds(50));
    EXPECT_GT(visual.scrollArea().widget()->height(), visual.scrollArea().viewport()->height())
        << "the particles outgrow the panel";
    EXPECT_FALSE(visual.scrollArea().verticalScrollBar()->isVisible());
    EXPECT_FALSE(visual.scrollArea().horizontalScrollBar()->isVisible());
    EXPECT_EQ(visual.content()->width(), 258 - 2 * 14);
    EXPECT_LE(panel.minimumSizeHint().width(), 258) << "four category titles fit the panel";

    // Leaving the visual page and coming back starts on "Cor" and track 0 again.
    QPointer<VisualEffectsInspectorTab> old = panel.visualPage();
    panel.setPage(InspectorPage::practice);
    EXPECT_TRUE(old.isNull());
    ASSERT_NE(panel.practicePage(), nullptr);
    panel.setPage(InspectorPage::visual);
    EXPECT_EQ(panel.visualPage()->category(), Category::color);
    EXPECT_EQ(panel.visualPage()->selectedTrackIndex(), 0);
    EXPECT_EQ(pages.currentIndex(), 1);
}

TEST_F(VisualInspectorTest, ShowingNeverWritesAndSwitchesDisableNothing)
{
    // A restored look outside the rows' ranges and off their steps.
    VisualPreset odd = c().visualPreset();
    odd.particleOpacity = 3;
    odd.saberYOffset = -999;
    odd.particleTrailSamples = 20;
    odd.keyOverlayOpacity = 0.55;
    odd.particleLifetime = 0.12;
    c().setVisualPreset(odd);
    QSignalSpy published(&c(), &PracticeSessionStore::visualPresetChanged);

    const auto rowTitled = [](VisualPresetRows& rows, const char* title, int nth = 0) -> StudioParameterRow& {
        for (StudioParameterRow* row : rows.parameterRows())
            if (row->title() == QString::fromUtf8(title) && nth-- == 0) return *row;
        throw std::runtime_error(title);
    };
    VisualPresetRows& colorRows = rowsOf(visualPage(Category::color).content());
    EXPECT_EQ(rowTitled(colorRows, "Opacidade").readoutText(), QStringLiteral("55%"));
    VisualPresetRows& particleRows = rowsOf(visualPage(Category::particles).content());
    EXPECT_EQ(rowTitled(particleRows, "Opacidade").readoutText(), QStringLiteral("1,00"));
    EXPECT_EQ(rowTitled(particleRows, "Amostras").readoutText(), QStringLiteral("8"));
    EXPECT_EQ(rowTitled(particleRows, "Duração").readoutText(), QStringLiteral("0,12"));
    auto* environment = qobject_cast<VisualEnvironmentControls*>(visualPage(Category::environment).content());
    EXPECT_EQ(rowTitled(environment->rows(), "Posição Y").readoutText(), QStringLiteral("-160 px"));
    EXPECT_EQ(published.count(), 0);
    EXPECT_EQ(c().visualPreset(), odd) << "shown, not written";

    // A change made elsewhere reaches the rows without being written back.
    odd.saberYOffset = 12;
    c().setVisualPreset(odd);
    EXPECT_EQ(rowTitled(environment->rows(), "Posição Y").readoutText(), QStringLiteral("12 px"));
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(c().visualPreset(), odd);

    // The switches write their own flag only, and every row stays usable.
    const nlohmann::json before = presetJSON(c());
    QTest::mouseClick(&environment->smokeSwitch(), Qt::LeftButton);
    QTest::mouseClick(&environment->saberSwitch(), Qt::LeftButton);
    const nlohmann::json patch = nlohmann::json::diff(before, presetJSON(c()));
    ASSERT_EQ(patch.size(), 2u) << patch.dump();
    EXPECT_EQ(patch[0]["path"], "/saberEnabled");
    EXPECT_EQ(patch[1]["path"], "/smokeEnabled");
    EXPECT_FALSE(c().visualPreset().smokeEnabled);
    EXPECT_FALSE(environment->smokeSwitch().isChecked());
    for (QWidget* child : environment->findChildren<QWidget*>()) EXPECT_TRUE(child->isEnabled());
    for (const char* title : {"Ativada", "Ativado"}) {
        bool found = false;
        for (StudioFieldLabel* label : environment->findChildren<StudioFieldLabel*>())
            found = found || label->title() == QString::fromUtf8(title);
        EXPECT_TRUE(found) << title;
    }
    rowTitled(environment->rows(), "Intensidade").slider()->accessibleIncrement();
    EXPECT_NEAR(c().visualPreset().smokeIntensity, 0.3, 1e-9) << "the smoke's rows edit while it is off";
}

