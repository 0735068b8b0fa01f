#include "CorvaneApp/workspace/CountInBadge.hpp"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"

namespace corvane {

namespace {
constexpr int padX = 32;
constexpr int padY = 22;
constexpr int spacing = 8;
// The longest roll, and its share of the time between the last two beats.
constexpr int longestRollMilliseconds = 300;
constexpr double rollShareOfBeat = 0.75;
} // namespace

CountInBadge::CountInBadge(QWidget* parent) : PracticeOverlayBadge(parent)
{
    beatRoll_.setStartValue(0.0);
    beatRoll_.setEndValue(1.0);
    beatRoll_.setEasingCurve(QEasingCurve::InOutCubic);
    connect(&beatRoll_, &QVariantAnimation::valueChanged, this, [this](const QVariant& position) {
        rollPosition_ = position.toDouble();
        update();
    });
    connect(&beatRoll_, &QVariantAnimation::finished, this, [this] {
        endRoll();
        update();
    });
    setProgress({});
}

void CountInBadge::setProgress(const CountInProgress& progress)
{
    const QString outgoing = beatText();
    progress_ = progress;
    if (beatText() != outgoing || !isPresented()) {
        const qint64 beatMilliseconds = sinceBeat_.isValid() ? sinceBeat_.elapsed() : -1;
        sinceBeat_.start();
        if (beatText() != outgoing && animates() && isPresented()) rollBeat(outgoing, beatMilliseconds);
        else endRoll();
    }
    setAccessibleName(QStringLiteral("Count In, compasso %1 de %2, tempo %3")
                          .arg(progress.measureNumber)
                          .arg(progress.measureCount)
                          .arg(progress.beatNumber));
    resize(sizeHint());
    update();
}

// `beatMilliseconds`: the time since the beat before, -1 when unknown.
void CountInBadge::rollBeat(const QString& outgoing, qint64 beatMilliseconds)
{
    // A beat that comes before the last roll ended cuts it short.
    beatRoll_.stop();
    double milliseconds = longestRollMilliseconds;
    if (beatMilliseconds >= 0) milliseconds = std::min(milliseconds, beatMilliseconds * rollShareOfBeat);
    outgoingBeat_ = outgoing;
    rollPosition_ = 0;
    beatRoll_.setDuration(std::max(static_cast<int>(milliseconds), 1));
    beatRoll_.start();
}

void CountInBadge::endRoll()
{
    beatRoll_.stop();
    rollPosition_ = 1;
    outgoingBeat_.clear();
}

QString CountInBadge::beatText() const { return studioLocale().toString(qlonglong(progress_.beatNumber)); }

QString CountInBadge::measureText() const
{
    return QStringLiteral("Compasso %1 de %2").arg(progress_.measureNumber).arg(progress_.measureCount);
}

QSize CountInBadge::sizeHint() const
{
    const QFontMetrics beat(studioDisplay(64));
    const QFontMetrics measure(studioHeadline());
    const int width = std::max(beat.horizontalAdvance(beatText()), measure.horizontalAdvance(measureText()));
    return {width + 2 * padX, beat.height() + spacing + measure.height() + 2 * padY};
}

QPainterPath CountInBadge::panelShape(const QRectF& rect) const
{
    QPainterPath path;
    path.addRoundedRect(rect, 24, 24);
    return path;
}

void CountInBadge::applyPresence(QPainter& painter, double presence) const
{
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(std::max(presence, 0.00001), std::max(presence, 0.00001));
    painter.translate(-centre);
}

void CountInBadge::paintContent(QPainter& painter) const
{
    const QFont beatFont = studioDisplay(64);
    const QFontMetrics beat(beatFont);
    painter.setFont(beatFont);
    painter.setPen(QColor::fromRgbF(0.92f, 0.92f, 0.92f));
    const QRect beatRow(0, padY, width(), beat.height());
    if (outgoingBeat_.isEmpty()) {
        painter.drawText(beatRow, Qt::AlignCenter, beatText());
    } else {
        // Both numbers move up by one row, seen through the beat's own row.
        painter.save();
        painter.setClipRect(beatRow, Qt::IntersectClip);
        const int rise = static_cast<int>(std::lround(rollPosition_ * beat.height()));
        painter.drawText(beatRow.translated(0, -rise), Qt::AlignCenter, outgoingBeat_);
        painter.drawText(beatRow.translated(0, beat.height() - rise), Qt::AlignCenter, beatText());
        painter.restore();
    }
    painter.setFont(studioHeadline());
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.55f));
    painter.drawText(QRect(0, padY + beat.height() + spacing, width(), QFontMetrics(studioHeadline()).height()),
                     Qt::AlignCenter, measureText());
}

} // namespace corvane
