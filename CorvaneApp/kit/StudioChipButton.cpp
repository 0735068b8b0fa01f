#include "CorvaneApp/kit/StudioChipButton.hpp"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

namespace corvane {

namespace {
constexpr double horizontalPadding = 10;
constexpr double cornerRadius = 5;
constexpr double symbolGap = 5;

// A symbol as tall as the callout text, never taller than the chip leaves room for.
double symbolSide(double height) { return std::max(0.0, std::min(13.0, height - 6)); }
} // namespace

StudioChipButton::StudioChipButton(const QString& text, double height, std::optional<bool> isSelected,
                                   QWidget* parent)
    : QAbstractButton(parent), height_(std::isfinite(height) ? std::max(0.0, height) : 0.0), isSelected_(isSelected)
{
    setFont(studioCallout());
    setText(text);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedHeight(int(std::ceil(height_)));
    resize(sizeHint());
    updateAccessibleName();
}

StudioChipButton::StudioChipButton(Symbol symbol, double height, std::optional<bool> isSelected, QWidget* parent)
    : StudioChipButton(QString(), height, isSelected, parent)
{
    systemImage_ = std::move(symbol.name);
    resize(sizeHint());
}

StudioChipButton::StudioChipButton(Symbol symbol, const QString& text, double height, QWidget* parent)
    : StudioChipButton(text, height, std::nullopt, parent)
{
    systemImage_ = std::move(symbol.name);
    resize(sizeHint());
}

void StudioChipButton::setSelected(std::optional<bool> isSelected)
{
    if (isSelected == isSelected_) return;
    isSelected_ = isSelected;
    update();
}

void StudioChipButton::setOpacity(double opacity)
{
    opacity = std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : 1.0;
    if (opacity == opacity_) return;
    opacity_ = opacity;
    update();
}

void StudioChipButton::setHelp(const QString& help)
{
    setToolTip(help);
    updateAccessibleName();
}

// A chip with a text is named by it (the button's own name follows later
// changes of the text); one with only a symbol is named by its help.
void StudioChipButton::updateAccessibleName() { setAccessibleName(text().isEmpty() ? toolTip() : QString()); }

QColor StudioChipButton::fillColor() const
{
    const double opacity = isDown() ? 0.3 : isSelected_.value_or(false) ? 0.22 : 0.055;
    return withOpacity(studioAccent(this), opacity);
}

QColor StudioChipButton::foregroundColor() const
{
    return isSelected_ == false ? StudioAppearance::tertiaryText() : studioAccent(this);
}

QSize StudioChipButton::sizeHint() const
{
    const double words = QFontMetricsF(font()).horizontalAdvance(text());
    const double content = systemImage_.isEmpty() ? words
                           : text().isEmpty()     ? symbolSide(height_)
                                                  : symbolSide(height_) + symbolGap + words;
    return QSize(int(std::ceil(content + 2 * horizontalPadding)), int(std::ceil(height_)));
}

void StudioChipButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) update();
}

void StudioChipButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity_ * (isEnabled() ? 1.0 : 0.4));
    const QRectF chip = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor());
    painter.drawRoundedRect(chip, cornerRadius, cornerRadius);

    const QColor foreground = foregroundColor();
    const QRectF inner = chip.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    if (!systemImage_.isEmpty() && !text().isEmpty()) {
        const double side = symbolSide(chip.height());
        paintStudioSymbol(painter, systemImage_, QRectF(inner.left(), chip.center().y() - side / 2, side, side),
                          foreground);
        painter.setFont(font());
        painter.setPen(foreground);
        const QRectF words = inner.adjusted(side + symbolGap, 0, 0, 0);
        const QString shown = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, int(words.width()) + 1);
        painter.drawText(words, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    } else if (!systemImage_.isEmpty()) {
        const double side = symbolSide(chip.height());
        paintStudioSymbol(painter, systemImage_,
                          QRectF(chip.center().x() - side / 2, chip.center().y() - side / 2, side, side), foreground);
    } else {
        painter.setFont(font());
        painter.setPen(foreground);
        const QString shown = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, int(inner.width()) + 1);
        painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, shown);
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(withOpacity(studioAccent(this), 0.6), 1));
        painter.drawRoundedRect(chip.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    }
}

} // namespace corvane
