#include "CorvaneApp/kit/RetroTransportButton.hpp"

#include <QPainter>

#include "CorvaneApp/kit/style/RetroChrome.hpp"
#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

namespace corvane {

namespace {

QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }

} // namespace

RetroTransportButton::RetroTransportButton(const QString& systemImage, double glyphSize, QWidget* parent)
    : QAbstractButton(parent), systemImage_(systemImage), glyphSize_(glyphSize)
{
    setFixedSize(60, 37);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void RetroTransportButton::setSymbol(const QString& systemImage, double glyphSize)
{
    if (systemImage == systemImage_ && glyphSize == glyphSize_) return;
    systemImage_ = systemImage;
    glyphSize_ = glyphSize;
    update();
}

void RetroTransportButton::setHelp(const QString& help)
{
    setToolTip(help);
    setAccessibleName(help);
}

void RetroTransportButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown();
    const QRectF face = QRectF(rect()).adjusted(2, 1, -2, -3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, pressed ? 0.2f : 0.45f));
    painter.drawRoundedRect(face.translated(0, pressed ? 0.5 : 1.5).adjusted(-0.5, -0.5, 0.5, 0.5), 4.5, 4.5);
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    fill.setColorAt(0, pressed ? rgb(0.72, 0.68, 0.6) : rgb(0.976, 0.945, 0.871));
    fill.setColorAt(1, pressed ? rgb(0.85, 0.81, 0.72) : rgb(0.78, 0.73, 0.63));
    painter.setBrush(fill);
    painter.drawRoundedRect(face, 4, 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.65f), 1));
    painter.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), 3.5, 3.5);
    const QPointF centre = face.center() + QPointF(0, pressed ? 0.5 : 0);
    const QRectF glyph(centre.x() - glyphSize_ / 2, centre.y() - glyphSize_ / 2, glyphSize_, glyphSize_);
    paintStudioSymbol(painter, systemImage_, glyph,
                      isEnabled() ? greyLevel(0.13) : withOpacity(greyLevel(0.13), 0.4));
}

RetroLoopButton::RetroLoopButton(QWidget* parent) : QAbstractButton(parent)
{
    setFixedSize(43, 35);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Repetir trecho"));
    connect(&lamp_, &LampLevel::changed, this, qOverload<>(&QWidget::update));
    applyTexts();
}

void RetroLoopButton::setActive(bool active)
{
    if (active == lamp_.isOn()) return;
    lamp_.setOn(active);
    applyTexts();
    update();
}

void RetroLoopButton::applyTexts()
{
    const bool active = lamp_.isOn();
    setText(active ? QStringLiteral("ON") : QStringLiteral("OFF"));
    setToolTip(active ? QStringLiteral("Desativar trecho (Ctrl+Alt+Shift+L)")
                      : QStringLiteral("Repetir trecho marcado (Ctrl+Alt+L)"));
    setAccessibleDescription(active ? QStringLiteral("Ativado") : QStringLiteral("Desativado"));
}

void RetroLoopButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bezel = QRectF(rect());
    paintRecessedBezel(painter, bezel, 0.45, 0.08);

    const QRectF lamp = bezel.adjusted(4, 4, -4, -4);
    const double level = lamp_.level();
    paintGlow(painter, lamp, 3, RetroPalette::amber(), 3, 0.55 * level);
    QLinearGradient dark(lamp.topLeft(), lamp.bottomLeft());
    dark.setColorAt(0, greyLevel(0.13));
    dark.setColorAt(1, greyLevel(0.07));
    paintLampBody(painter, lamp, 3, dark, level, 0.7, 1);

    QFont font = studioLegend();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    painter.setFont(font);
    painter.setPen(isActive() ? greyLevel(0.16) : withOpacity(RetroPalette::engraved(), 0.45));
    painter.drawText(lamp, Qt::AlignCenter, text());
}

} // namespace corvane
