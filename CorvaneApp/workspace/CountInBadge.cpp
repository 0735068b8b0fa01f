#include "CorvaneApp/workspace/CountInBadge.hpp"

#include <QPainter>

#include "CorvaneApp/kit/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLocale.hpp"

namespace corvane {

namespace {
constexpr int padX = 32;
constexpr int padY = 22;
constexpr int spacing = 8;
} // namespace

CountInBadge::CountInBadge(QWidget* parent) : PracticeOverlayBadge(parent) { setProgress({}); }

void CountInBadge::setProgress(const CountInProgress& progress)
{
    progress_ = progress;
    setAccessibleName(QStringLiteral("Count In, compasso %1 de %2, tempo %3")
                          .arg(progress.measureNumber)
                          .arg(progress.measureCount)
                          .arg(progress.beatNumber));
    resize(sizeHint());
    update();
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
    painter.drawText(QRect(0, padY, width(), beat.height()), Qt::AlignCenter, beatText());
    painter.setFont(studioHeadline());
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.55f));
    painter.drawText(QRect(0, padY + beat.height() + spacing, width(), QFontMetrics(studioHeadline()).height()),
                     Qt::AlignCenter, measureText());
}

} // namespace corvane
