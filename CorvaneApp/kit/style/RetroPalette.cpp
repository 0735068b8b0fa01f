#include "CorvaneApp/kit/style/RetroPalette.hpp"

namespace corvane {

namespace {
QColor rgb(double r, double g, double b, double a = 1.0) { return QColor::fromRgbF(float(r), float(g), float(b), float(a)); }
} // namespace

const QColor& RetroPalette::panel()
{
    static const QColor color = rgb(0.086, 0.078, 0.067);
    return color;
}
const QColor& RetroPalette::edgeLight()
{
    static const QColor color = rgb(1, 1, 1, 0.1);
    return color;
}
const QColor& RetroPalette::edgeShadow()
{
    static const QColor color = rgb(0, 0, 0, 0.55);
    return color;
}
const QColor& RetroPalette::brass()
{
    static const QColor color = rgb(1.0, 0.894, 0.639);
    return color;
}
const QColor& RetroPalette::engraved()
{
    static const QColor color = rgb(0.929, 0.851, 0.69);
    return color;
}
const QColor& RetroPalette::lampOn()
{
    static const QColor color = rgb(1.0, 0.71, 0.24);
    return color;
}
const QColor& RetroPalette::lampOnDeep()
{
    static const QColor color = rgb(0.78, 0.42, 0.1);
    return color;
}
const QColor& RetroPalette::amber()
{
    static const QColor color = rgb(1.0, 0.8, 0.278);
    return color;
}
const QColor& RetroPalette::woodFallback()
{
    static const QColor color = rgb(0.314, 0.173, 0.086);
    return color;
}

QLinearGradient RetroPalette::lampGradient(double top, double bottom)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, lampOn());
    gradient.setColorAt(1, lampOnDeep());
    return gradient;
}

QColor withOpacity(const QColor& color, double opacity)
{
    QColor out = color;
    out.setAlphaF(float(color.alphaF() * opacity));
    return out;
}

QColor greyLevel(double level) { return rgb(level, level, level); }

} // namespace corvane
