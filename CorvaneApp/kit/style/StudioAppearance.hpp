#pragma once

#include <QColor>
#include <QPalette>

namespace corvane {

// The interface's own colours (sRGB), made once on first use.
struct StudioAppearance {
    // The default accent of every studio control.
    static const QColor& amber();
    // Dark panel background.
    static const QColor& panel();
    // Recessed areas.
    static const QColor& sunken();
    // Fill and 1-pixel outline of boxed value fields and swatches.
    static const QColor& controlFill();
    static const QColor& controlStroke();
    // The three steps of text on dark panels: values, labels, section titles.
    static const QColor& primaryText();
    static const QColor& secondaryText();
    static const QColor& tertiaryText();
    // What cannot be undone: a removal, an erasure.
    static const QColor& destructive();
    // Laid over a row while it is held down.
    static const QColor& pressedOverlay();

    // The dark look every window of the application wears.
    static const QPalette& darkPalette();
};

} // namespace corvane
