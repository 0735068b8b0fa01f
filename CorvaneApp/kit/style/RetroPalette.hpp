#pragma once

#include <QColor>
#include <QLinearGradient>

namespace corvane {

// The colours of the practice deck's hardware look (sRGB), made once on first use.
struct RetroPalette {
    static const QColor& panel();
    static const QColor& edgeLight();
    static const QColor& edgeShadow();
    static const QColor& brass();
    static const QColor& engraved();
    static const QColor& lampOn();
    static const QColor& lampOnDeep();
    static const QColor& amber();
    static const QColor& woodFallback();
    // `lampOn` at the top of `top`..`bottom` to `lampOnDeep` at the bottom.
    static QLinearGradient lampGradient(double top, double bottom);
};

// `color` with its opacity multiplied by `opacity`.
QColor withOpacity(const QColor& color, double opacity);
// An opaque sRGB grey of `level` (0...1).
QColor greyLevel(double level);

} // namespace corvane
