#include "CorvaneApp/inspector/VisualColorControls.hpp"

#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

#include "CorvaneApp/inspector/TrackSwatchButton.hpp"
#include "CorvaneApp/inspector/TrackSwatchGrid.hpp"
#include "CorvaneApp/inspector/VisualInspectorRows.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

std::int64_t resolvedTrackIndex(std::int64_t selectedTrackIndex, const std::vector<std::int64_t>& colorTrackIndices)
{
    if (std::find(colorTrackIndices.begin(), colorTrackIndices.end(), selectedTrackIndex) != colorTrackIndices.end())
        return selectedTrackIndex;
    return colorTrackIndices.empty() ? 0 : colorTrackIndices.front();
}

VisualColorControls::VisualColorControls(PracticeSessionStore& store, std::int64_t& selectedTrackIndex,
                                         QWidget* parent)
    : QWidget(parent), store_(store), selected_(selectedTrackIndex), rows_(new VisualPresetRows(store, this))
{
    setObjectName(QStringLiteral("colorControls"));
    VisualCategoryColumn column(this);
    VisualPresetRows& r = *rows_;
    QVBoxLayout* stack = nullptr;

    QWidget* palette = VisualCategoryColumn::rowStack(stack);
    distribution_ = r.menu(
        QStringLiteral("Distribuição"), {QStringLiteral("Cor única"), QStringLiteral("Uma por track")},
        [](const VisualPreset& preset) { return preset.noteColorMode == NoteColorMode::single ? 0 : 1; },
        [](VisualPreset& preset, int index) {
            preset.noteColorMode = index == 0 ? NoteColorMode::single : NoteColorMode::perTrack;
        });
    stack->addWidget(distribution_);

    // Choosing a track is the page's own state: nothing is written.
    trackRow_ = new StudioMenuRow(QStringLiteral("Track"), QString(), StudioAppearance::amber(), false,
                                  visualMenuValueWidth);
    stack->addWidget(trackRow_);
    connect(trackRow_, &StudioMenuRow::menuRequested, this, &VisualColorControls::fillTrackMenu);
    swatches_ = new TrackSwatchGrid;
    swatches_->setTrackLabel([this](std::int64_t index) { return QString::fromStdString(store_.trackLabel(index)); });
    connect(swatches_, &TrackSwatchGrid::trackChosen, this, &VisualColorControls::selectTrack);
    connect(swatches_, &TrackSwatchGrid::swatchesPlaced, this, &VisualColorControls::styleSwatches);
    stack->addWidget(swatches_);

    const TrackVisualColor first = store_.visualPreset().color(editedTrackIndex());
    trackColor_ = new StudioColorRow(QString(), first.hue, first.saturation, first.brightness);
    const auto trackWriter = [this](double TrackVisualColor::*component) {
        return [this, component](double value) {
            if (!std::isfinite(value)) return;
            const std::int64_t track = editedTrackIndex();
            rows_->edit([&](VisualPreset& preset) {
                TrackVisualColor color = preset.color(track);
                color.*component = value;
                preset.setColor(color, track);
            });
        };
    };
    connect(trackColor_, &StudioColorRow::hueEdited, this, trackWriter(&TrackVisualColor::hue));
    connect(trackColor_, &StudioColorRow::saturationEdited, this, trackWriter(&TrackVisualColor::saturation));
    connect(trackColor_, &StudioColorRow::brightnessEdited, this, trackWriter(&TrackVisualColor::brightness));
    stack->addWidget(trackColor_);

    hint_ = new QLabel(QStringLiteral("Abra uma música com tracks de notas para configurar a paleta."));
    hint_->setTextFormat(Qt::PlainText);
    hint_->setWordWrap(true);
    hint_->setFont(studioCallout());
    QPalette secondary = hint_->palette();
    secondary.setColor(QPalette::WindowText, StudioAppearance::secondaryText());
    hint_->setPalette(secondary);
    stack->addWidget(hint_);

    noteColor_ = r.color(QStringLiteral("Cor das notas"), &VisualPreset::accentHue, &VisualPreset::accentSaturation,
                         &VisualPreset::accentBrightness);
    stack->addWidget(noteColor_);
    column.addSection(QStringLiteral("Paleta"), palette);

    QWidget* keys = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.blendModePicker(QStringLiteral("Mistura"), &VisualPreset::keyOverlayBlendMode));
    stack->addWidget(r.parameter(QStringLiteral("Opacidade"), &VisualPreset::keyOverlayOpacity, 0, 1, 0.05,
                                 StudioValueFormat::percent()));
    column.addSection(QStringLiteral("Teclas pressionadas"), keys);

    QWidget* notes = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.stepper(QStringLiteral("Velocidade"), &VisualPreset::noteSpeed, 0.5, 2.0, 0.05));
    stack->addWidget(r.parameter(QStringLiteral("Glow"), &VisualPreset::glowIntensity, 0, 1, 0.05,
                                 StudioValueFormat::percent()));
    column.addSection(QStringLiteral("Notas"), notes);

    for (auto changed : {&PracticeSessionStore::timelineNotesChanged, &PracticeSessionStore::trackNamesChanged,
                         &PracticeSessionStore::currentSongChanged})
        connect(&store_, changed, this, &VisualColorControls::syncTracks);
    syncTracks();
    r.onShow([this](const VisualPreset&) { syncPalette(); });
}

std::int64_t VisualColorControls::editedTrackIndex() const
{
    return resolvedTrackIndex(selected_, store_.colorTrackIndices());
}

void VisualColorControls::selectTrack(std::int64_t trackIndex)
{
    selected_ = trackIndex;
    syncPalette();
}

// The menu and the swatches follow the song's tracks and names, never a
// colour being dragged. A song of many tracks makes only the swatches in
// view, and its menu only when the menu is opened.
void VisualColorControls::syncTracks()
{
    const std::vector<std::int64_t>& tracks = store_.colorTrackIndices();
    if (tracks != shownTracks_ || store_.trackNames() != shownNames_) {
        shownTracks_ = tracks;
        shownNames_ = store_.trackNames();
        // A new menu rather than clearing the old: Qt removes actions one by
        // one, in time that grows with the square of their number.
        QMenu* old = trackRow_->menu();
        trackRow_->setMenu(new QMenu);
        old->deleteLater();
        menuFilled_ = false;
        swatches_->setTracks(tracks);
    }
    syncPalette();
}

void VisualColorControls::fillTrackMenu()
{
    if (menuFilled_) return;
    menuFilled_ = true;
    QMenu* menu = trackRow_->menu();
    for (const std::int64_t index : shownTracks_) {
        QAction* item = menu->addAction(QString::fromStdString(store_.trackLabel(index)));
        item->setData(QVariant::fromValue<qint64>(index));
        connect(item, &QAction::triggered, this, [this, index] { selectTrack(index); });
    }
}

void VisualColorControls::styleSwatches()
{
    const VisualPreset& preset = store_.visualPreset();
    const std::int64_t edited = editedTrackIndex();
    for (TrackSwatchButton* swatch : swatches_->swatches()) {
        const std::int64_t index = swatch->trackIndex();
        const TrackVisualColor own = preset.color(index);
        swatch->setColor(studioHsbColor(own.hue, own.saturation, own.brightness));
        swatch->setCurrent(index == edited);
    }
}

void VisualColorControls::syncPalette()
{
    const VisualPreset& preset = store_.visualPreset();
    const bool perTrack = preset.noteColorMode == NoteColorMode::perTrack;
    const bool hasTracks = !store_.colorTrackIndices().empty();
    trackRow_->setVisible(perTrack && hasTracks);
    swatches_->setVisible(perTrack && hasTracks);
    trackColor_->setVisible(perTrack && hasTracks);
    hint_->setVisible(perTrack && !hasTracks);
    noteColor_->setVisible(!perTrack);
    if (!perTrack || !hasTracks) return;

    const std::int64_t edited = editedTrackIndex();
    const QString label = QString::fromStdString(store_.trackLabel(edited));
    trackRow_->setValue(label);
    trackColor_->titleLabel()->setTitle(label);
    trackColor_->setAccessibleName(label);
    const TrackVisualColor color = preset.color(edited);
    trackColor_->setHue(color.hue);
    trackColor_->setSaturation(color.saturation);
    trackColor_->setBrightness(color.brightness);
    styleSwatches();
}

} // namespace corvane
