#include "CorvaneApp/workspace/WaitingBadge.hpp"

#include <QPainter>

#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/workspace/NoteNames.hpp"

namespace corvane {

namespace {
constexpr int padX = 18;
constexpr int padY = 12;
constexpr int iconSize = 16;
constexpr int iconGap = 6;

// A raised open hand: four fingers over a palm, with the thumb aside.
void paintHand(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const double w = box.width();
    const double fingerWidth = w * 0.16;
    for (int i = 0; i < 4; ++i) {
        const double x = box.left() + w * (0.2 + 0.17 * i);
        const double top = box.top() + (i == 0 || i == 3 ? 0.18 : 0.04) * w;
        painter.drawRoundedRect(QRectF(x, top, fingerWidth, w * 0.6), fingerWidth / 2, fingerWidth / 2);
    }
    painter.drawRoundedRect(QRectF(box.left() + w * 0.2, box.top() + w * 0.45, w * 0.67, w * 0.5), w * 0.2, w * 0.2);
    painter.translate(box.left() + w * 0.2, box.top() + w * 0.62);
    painter.rotate(-40);
    painter.drawRoundedRect(QRectF(-fingerWidth, -w * 0.35, fingerWidth, w * 0.38), fingerWidth / 2, fingerWidth / 2);
    painter.restore();
}
} // namespace

WaitingBadge::WaitingBadge(QWidget* parent) : PracticeOverlayBadge(parent) { setNotes({}); }

void WaitingBadge::setNotes(const std::vector<std::uint8_t>& notes)
{
    const auto title = QString::fromStdString(waitingTitle(notes));
    if (title == title_) return;
    title_ = title;
    setAccessibleName(title_);
    resize(sizeHint());
    update();
}

QSize WaitingBadge::sizeHint() const
{
    const QFontMetrics metrics(studioHeadline());
    return {2 * padX + iconSize + iconGap + metrics.horizontalAdvance(title_),
            2 * padY + std::max(iconSize, metrics.height())};
}

QPainterPath WaitingBadge::panelShape(const QRectF& rect) const
{
    QPainterPath path;
    path.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    return path;
}

void WaitingBadge::applyPresence(QPainter& painter, double presence) const
{
    painter.translate(0, (1 - presence) * height());
}

void WaitingBadge::paintContent(QPainter& painter) const
{
    const QColor text = QColor::fromRgbF(0.92f, 0.92f, 0.92f);
    paintHand(painter, QRectF(padX, (height() - iconSize) / 2.0, iconSize, iconSize), text);
    painter.setFont(studioHeadline());
    painter.setPen(text);
    painter.drawText(QRect(padX + iconSize + iconGap, 0, width() - 2 * padX - iconSize - iconGap, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title_);
}

} // namespace corvane
