#include "CorvaneApp/inspector/VisualColorControls.hpp"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

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

TrackSwatchButton::TrackSwatchButton(std::int64_t trackIndex, QWidget* parent)
    : QAbstractButton(parent), trackIndex_(trackIndex)
{
    setFixedSize(side, side);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void TrackSwatchButton::setColor(const QColor& color)
{
    if (color == color_) return;
    color_ = color;
    update();
}

void TrackSwatchButton::setCurrent(bool current)
{
    if (current == current_) return;
    current_ = current;
    update();
}

void TrackSwatchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(disc);
    QColor ring = current_ ? StudioAppearance::primaryText() : StudioAppearance::secondaryText();
    if (!current_) ring.setAlphaF(ring.alphaF() * 0.4f);
    // The ring is drawn inside the disc's edge so the widget never cuts it.
    const double width = ringWidth();
    painter.setPen(QPen(ring, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(disc.adjusted(width / 2, width / 2, -width / 2, -width / 2));
}

TrackSwatchGrid::TrackSwatchGrid(QWidget* parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TrackSwatchGrid::setTracks(const std::vector<std::int64_t>& trackIndices)
{
    const bool same = std::equal(trackIndices.begin(), trackIndices.end(), swatches_.begin(), swatches_.end(),
                                 [](std::int64_t index, const TrackSwatchButton* swatch) {
                                     return swatch->trackIndex() == index;
                                 });
    if (same) return;
    for (auto swatch : swatches_) swatch->deleteLater();
    for (auto swatch : swatches_) swatch->hide();
    swatches_.clear();
    for (const std::int64_t index : trackIndices) {
        auto swatch = new TrackSwatchButton(index, this);
        connect(swatch, &QAbstractButton::clicked, this, [this, index] { emit trackChosen(index); });
        swatch->show();
        swatches_.push_back(swatch);
    }
    place();
    updateGeometry();
}

int TrackSwatchGrid::columnsFor(int width) const
{
    return std::max(1, (width + spacing) / (TrackSwatchButton::side + spacing));
}

int TrackSwatchGrid::heightForWidth(int width) const
{
    const int count = int(swatches_.size());
    if (count == 0) return 0;
    const int rows = (count + columnsFor(width) - 1) / columnsFor(width);
    return rows * TrackSwatchButton::side + (rows - 1) * spacing;
}

QSize TrackSwatchGrid::sizeHint() const
{
    const int count = std::max<int>(1, int(swatches_.size()));
    const int width = count * TrackSwatchButton::side + (count - 1) * spacing;
    return QSize(width, heightForWidth(width));
}

QSize TrackSwatchGrid::minimumSizeHint() const { return QSize(TrackSwatchButton::side, 0); }

void TrackSwatchGrid::resizeEvent(QResizeEvent*) { place(); }

void TrackSwatchGrid::place()
{
    const int columns = columnsFor(width());
    for (int i = 0; i < int(swatches_.size()); ++i) {
        const int step = TrackSwatchButton::side + spacing;
        swatches_[std::size_t(i)]->move((i % columns) * step, (i / columns) * step);
    }
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
    swatches_ = new TrackSwatchGrid;
    connect(swatches_, &TrackSwatchGrid::trackChosen, this, &VisualColorControls::selectTrack);
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

// The menu and the swatches are made again only when the song's tracks or
// their names change, never while a colour is being dragged.
void VisualColorControls::syncTracks()
{
    const std::vector<std::int64_t>& tracks = store_.colorTrackIndices();
    std::vector<QString> labels;
    for (const std::int64_t index : tracks) labels.push_back(QString::fromStdString(store_.trackLabel(index)));
    if (tracks != shownTracks_ || labels != shownLabels_) {
        shownTracks_ = tracks;
        shownLabels_ = labels;
        QMenu* menu = trackRow_->menu();
        menu->clear();
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            QAction* item = menu->addAction(labels[i]);
            item->setData(QVariant::fromValue<qint64>(tracks[i]));
            connect(item, &QAction::triggered, this, [this, index = tracks[i]] { selectTrack(index); });
        }
        swatches_->setTracks(tracks);
        for (TrackSwatchButton* swatch : swatches_->swatches()) {
            const auto at = std::find(tracks.begin(), tracks.end(), swatch->trackIndex()) - tracks.begin();
            swatch->setToolTip(QStringLiteral("Editar a cor de ") + labels[std::size_t(at)]);
            swatch->setAccessibleName(labels[std::size_t(at)]);
        }
    }
    syncPalette();
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
    for (TrackSwatchButton* swatch : swatches_->swatches()) {
        const TrackVisualColor own = preset.color(swatch->trackIndex());
        swatch->setColor(studioHsbColor(own.hue, own.saturation, own.brightness));
        swatch->setCurrent(swatch->trackIndex() == edited);
    }
}

} // namespace corvane
