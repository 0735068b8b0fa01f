#include "CorvaneApp/workspace/StudyTimelineView.hpp"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

#include "CorvaneApp/commands/PracticeCommandActions.hpp"
#include "CorvaneApp/kit/RetroLED.hpp"
#include "CorvaneApp/kit/RetroOdometer.hpp"
#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/RetroPanel.hpp"
#include "CorvaneApp/kit/RetroKnob.hpp"
#include "CorvaneApp/kit/RetroTransportButton.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/workspace/MeasureScrubBar.hpp"

namespace corvane {

namespace {

constexpr int deckHeight = 76;
constexpr RetroKnobScale speedScale{0.25, 2.0, 0.05};

RetroPanelStyle innerPanel(int width)
{
    return {width, deckHeight, 7, 7, 9, true, QMargins(18, 6, 18, 6)};
}

QColor accentOf(const VisualPreset& preset)
{
    const auto unit = [](double v) { return float(std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0)); };
    return QColor::fromHsvF(unit(preset.accentHue), unit(preset.accentSaturation), unit(preset.accentBrightness));
}

// Two centred halves with a hairline between them.
class SplitPanelContent : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(QRect(width() / 2, 4, 1, height() - 8), QColor::fromRgbF(1, 1, 1, 0.09f));
    }
};

// An inner panel of `width` whose face is `controls` alone, laid out by the
// layout it is given; the controls hide and show apart from the panel.
RetroPanel* controlsPanel(int width, QWidget* controls, QLayout* layout)
{
    auto panel = new RetroPanel(innerPanel(width));
    auto outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(controls);
    layout->setContentsMargins(0, 0, 0, 0);
    controls->setLayout(layout);
    return panel;
}

QWidget* centred(QWidget* child)
{
    auto cell = new QWidget;
    auto layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(child, 0, Qt::AlignCenter);
    return cell;
}

} // namespace

StudyTimelineView::StudyTimelineView(PracticeSessionStore& store, QWidget* parent) : QWidget(parent), store_(store)
{
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 12);
    column->setSpacing(0);

    scrubBar_ = new MeasureScrubBar(store_, this);
    auto scrubRow = new QVBoxLayout;
    scrubRow->setContentsMargins(20, 9, 20, 9);
    scrubRow->addWidget(scrubBar_);
    column->addLayout(scrubRow);
    scrubRowHeight_ = 9 + scrubBar_->height() + 9;
    column->addSpacing(1); // the divider, drawn by paintEvent

    auto deck = new RetroPanel({std::nullopt, std::nullopt, 9, 10, 10, true, QMargins(22, 22, 22, 22)}, this);
    auto row = new QHBoxLayout(deck);
    row->setSpacing(13);
    summary_ = new SongSummary(deck);
    summary_->setFixedHeight(deckHeight);
    row->addWidget(summary_, 1);
    row->addWidget(buildMeasurePanel());
    row->addWidget(buildTransportPanel());
    row->addWidget(buildSpeedAndLoopPanel());
    column->addWidget(deck);

    connect(&store_, &PracticeSessionStore::isPlayingChanged, this, &StudyTimelineView::applyTransport);
    connect(&store_, &PracticeSessionStore::countInProgressChanged, this, &StudyTimelineView::applyTransport);
    connect(&store_, &PracticeSessionStore::currentSongChanged, this, [this] {
        summary_->setTitle(store_.currentSong() ? QString::fromStdString(store_.currentSong()->title())
                                                : QStringLiteral("Sem música"));
        applyTransport();
    });
    connect(&store_, &PracticeSessionStore::playbackRateChanged, this, &StudyTimelineView::applyRate);
    connect(&store_, &PracticeSessionStore::loopRangeChanged, this, &StudyTimelineView::applyLoop);
    connect(&store_, &PracticeSessionStore::timelineDurationSecondsChanged, this, &StudyTimelineView::applyDuration);
    connect(&store_, &PracticeSessionStore::playbackPositionSecondsChanged, this, &StudyTimelineView::applyPosition);
    connect(&store_, &PracticeSessionStore::measureMarkersChanged, this, &StudyTimelineView::applyPosition);
    connect(&store_, &PracticeSessionStore::visualPresetChanged, this, &StudyTimelineView::applyAccent);
    connect(&store_, &PracticeSessionStore::seekStepSecondsChanged, this, &StudyTimelineView::applySeekStep);

    summary_->setTitle(store_.currentSong() ? QString::fromStdString(store_.currentSong()->title())
                                            : QStringLiteral("Sem música"));
    applyTransport();
    applySeekStep();
    applyRate();
    applyLoop();
    applyDuration();
    applyPosition();
    applyAccent();
}

QWidget* StudyTimelineView::buildMeasurePanel()
{
    auto panel = new RetroPanel(innerPanel(130));
    auto stack = new QVBoxLayout(panel);
    stack->setSpacing(4);
    stack->addStretch();
    stack->addWidget(new RetroEngravedLabel(QStringLiteral("Compasso")), 0, Qt::AlignHCenter);
    odometer_ = new RetroOdometer(4, 17, 28);
    stack->addWidget(odometer_, 0, Qt::AlignHCenter);
    stack->addStretch();
    return panel;
}

QWidget* StudyTimelineView::buildTransportPanel()
{
    transportControls_ = new QWidget;
    auto stack = new QVBoxLayout;
    auto panel = controlsPanel(235, transportControls_, stack);
    stack->setSpacing(3);
    stack->addStretch();
    lamp_ = new RetroLED;
    stack->addWidget(lamp_, 0, Qt::AlignHCenter);
    auto buttons = new QHBoxLayout;
    buttons->setSpacing(7);
    back_ = new RetroTransportButton(QStringLiteral("backward.fill"), 15);
    play_ = new RetroTransportButton(QStringLiteral("play.fill"), 17);
    forward_ = new RetroTransportButton(QStringLiteral("forward.fill"), 15);
    buttons->addStretch();
    for (auto button : {back_, play_, forward_}) buttons->addWidget(button);
    buttons->addStretch();
    stack->addLayout(buttons);
    stack->addStretch();
    // The position and the step are read at the click.
    connect(back_, &QAbstractButton::clicked, this,
            [this] { store_.seek(store_.playbackPositionSeconds() - seekStep()); });
    connect(forward_, &QAbstractButton::clicked, this,
            [this] { store_.seek(store_.playbackPositionSeconds() + seekStep()); });
    connect(play_, &QAbstractButton::clicked, this, [this] { store_.togglePlayback(); });
    return panel;
}

QWidget* StudyTimelineView::buildSpeedAndLoopPanel()
{
    speedAndLoopControls_ = new SplitPanelContent;
    auto grid = new QGridLayout;
    auto panel = controlsPanel(231, speedAndLoopControls_, grid);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(3, 1);
    grid->addWidget(centred(new RetroEngravedLabel(QStringLiteral("Speed"))), 1, 0);
    grid->addWidget(centred(new RetroEngravedLabel(QStringLiteral("Loop"))), 1, 1);
    knob_ = new RetroKnob(speedScale, 30);
    loop_ = new RetroLoopButton;
    grid->addWidget(centred(knob_), 2, 0);
    grid->addWidget(centred(loop_), 2, 1);
    connect(knob_, &RetroKnob::valueEdited, this, [this](double rate) { store_.setPlaybackRate(rate); });
    connect(loop_, &QAbstractButton::clicked, this, [this] {
        if (store_.loopRange()) store_.updateLoop(std::nullopt);
        else store_.applyLoopSelection();
    });
    return panel;
}

QString StudyTimelineView::timeLabel(double seconds)
{
    const double rounded = std::round(seconds);
    std::int64_t n = 0;
    if (rounded > 0) n = rounded < 9.2e18 ? std::int64_t(rounded) : std::numeric_limits<std::int64_t>::max();
    return QString::asprintf("%lld:%02d", static_cast<long long>(n / 60), int(n % 60));
}

double StudyTimelineView::seekStep() const { return store_.seekStepSeconds(); }

QString StudyTimelineView::seekStepLabel() const
{
    return QString::fromStdString(corvane::seekStepLabel(seekStep()));
}

bool StudyTimelineView::isTransportActive() const
{
    // Without a song the controller's idle stage counts as playing; the deck does not.
    return (store_.isPlaying() && store_.currentSong()) || store_.countInProgress().has_value();
}

// The last bar begun by the position. The markers come in time order, so it
// is found by halving: a long song has tens of thousands of bars, and the
// position moves at every tick.
std::int64_t StudyTimelineView::currentMeasure() const
{
    const auto& markers = store_.measureMarkers();
    const double position = store_.playbackPositionSeconds();
    auto after = std::upper_bound(markers.begin(), markers.end(), position,
                                  [](double at, const MIDIMeasureMarker& marker) { return at < marker.seconds; });
    while (after != markers.begin()) {
        --after;
        if (!after->isSongEnd) return after->measureNumber;
    }
    return 0;
}

void StudyTimelineView::applyTransport()
{
    const bool active = isTransportActive();
    lamp_->setOn(active);
    play_->setSymbol(active ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"), 17);
    play_->setHelp(active ? QStringLiteral("Pausar (Espaço)") : QStringLiteral("Reproduzir (Espaço)"));
}

void StudyTimelineView::applySeekStep()
{
    const QString step = seekStepLabel();
    back_->setHelp(QStringLiteral("Voltar %1 segundos (Alt+←)").arg(step));
    forward_->setHelp(QStringLiteral("Avançar %1 segundos (Alt+→)").arg(step));
}

void StudyTimelineView::applyRate()
{
    const double rate = store_.playbackRate();
    knob_->setValue(rate);
    knob_->setValueText(QString::number(std::llround(rate * 100)) + QLatin1Char('%'));
}

void StudyTimelineView::applyLoop() { loop_->setActive(store_.loopRange().has_value()); }

void StudyTimelineView::applyDuration()
{
    const bool hasDuration = store_.timelineDurationSeconds() != 0;
    transportControls_->setEnabled(hasDuration);
    speedAndLoopControls_->setEnabled(hasDuration);
    summary_->setTotal(timeLabel(store_.timelineDurationSeconds()));
    applyPosition();
}

void StudyTimelineView::applyPosition()
{
    const double duration = store_.timelineDurationSeconds();
    const double position = store_.playbackPositionSeconds();
    const double fraction = duration > 0 ? std::clamp(position / duration, 0.0, 1.0) : 0.0;
    summary_->setProgress(std::isnan(fraction) ? 0.0 : fraction, timeLabel(position));
    odometer_->setValue(currentMeasure());
}

void StudyTimelineView::applyAccent()
{
    const QColor accent = accentOf(store_.visualPreset());
    scrubBar_->setAccent(accent);
    summary_->setAccent(accent);
}

void StudyTimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), StudioAppearance::panel());
    painter.fillRect(QRect(0, 0, width(), scrubRowHeight_), StudioAppearance::sunken());
    painter.fillRect(QRect(0, scrubRowHeight_, width(), 1), QColor::fromRgbF(1, 1, 1, 0.1f * 0.45f));
    // The hairline where the stage ends.
    painter.fillRect(QRect(0, 0, width(), 1), QColor::fromRgbF(1, 1, 1, 0.08f));
}

SongSummary::SongSummary(QWidget* parent) : QWidget(parent), accent_(StudioAppearance::amber())
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QRectF SongSummary::contentRect() const
{
    const QFontMetrics title(studioHeadline());
    const QFontMetrics readout(studioReadout());
    const double height = title.height() + 5 + 7 + 3 + 5 + readout.height();
    return {0, (this->height() - height) / 2, std::min(294.0, double(width())), height};
}

QRectF SongSummary::capsuleRect() const
{
    const auto content = contentRect();
    return {content.left(), content.top() + QFontMetrics(studioHeadline()).height() + 5 + 7, content.width(), 3};
}

QRect SongSummary::elapsedRect() const
{
    const auto capsule = capsuleRect();
    const int top = int(capsule.bottom() + 5);
    return {int(capsule.left()), top, int(capsule.width() / 2), QFontMetrics(studioReadout()).height() + 1};
}

double SongSummary::filledWidth() const { return std::max(fraction_ * capsuleRect().width(), 3.0); }

void SongSummary::setTitle(const QString& title)
{
    if (title == title_) return;
    title_ = title;
    update();
}

void SongSummary::setAccent(const QColor& accent)
{
    if (accent == accent_) return;
    accent_ = accent;
    update();
}

void SongSummary::setProgress(double fraction, const QString& elapsed)
{
    const double before = std::round(filledWidth());
    fraction_ = fraction;
    if (std::round(filledWidth()) != before) update(capsuleRect().toAlignedRect().adjusted(-1, -1, 1, 1));
    if (elapsed != elapsed_) {
        elapsed_ = elapsed;
        update(elapsedRect());
    }
}

void SongSummary::setTotal(const QString& total)
{
    if (total == total_) return;
    total_ = total;
    update();
}

void SongSummary::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto content = contentRect();
    const QFontMetrics titleMetrics(studioHeadline());
    painter.setFont(studioHeadline());
    painter.setPen(QColor::fromRgbF(0.92f, 0.92f, 0.92f));
    const QRectF titleBox(content.left(), content.top(), content.width(), titleMetrics.height());
    painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(title_, Qt::ElideMiddle, int(content.width())));

    const auto capsule = capsuleRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.11f));
    painter.drawRoundedRect(capsule, 1.5, 1.5);
    painter.setBrush(accent_);
    painter.drawRoundedRect(QRectF(capsule.left(), capsule.top(), filledWidth(), capsule.height()), 1.5, 1.5);

    QFont readout = studioReadout();
    readout.setStyleHint(QFont::Monospace);
    painter.setFont(readout);
    const QRectF times(capsule.left(), capsule.bottom() + 5, capsule.width(), QFontMetrics(readout).height());
    painter.setPen(accent_);
    painter.drawText(times, Qt::AlignLeft | Qt::AlignVCenter, elapsed_);
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.55f));
    painter.drawText(times, Qt::AlignRight | Qt::AlignVCenter, total_);
}

} // namespace corvane
