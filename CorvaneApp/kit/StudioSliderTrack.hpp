#pragma once

#include <QColor>
#include <QRectF>

#include <optional>
#include <variant>

class QPainter;

namespace corvane {

// An opaque-or-not colour from hue, saturation and brightness fractions
// (0...1; hue 1 is red again). Values outside 0...1 are held to it, and one
// that is not a number counts as 0, so any input gives a valid colour.
QColor studioHsbColor(double hue, double saturation, double brightness, double opacity = 1);

// The background drawn under a slider.
struct StudioSliderTrack {
    // A neutral track; the fill and lit cells take `color`.
    struct Accent {
        QColor color;
        bool operator==(const Accent&) const = default;
    };
    // Saturation 0 to 1 of `hue` at `brightness` (shown at least 0.35 bright).
    struct Saturation {
        double hue = 0;
        double brightness = 1;
        bool operator==(const Saturation&) const = default;
    };
    // Black to `hue` and `saturation` at full brightness.
    struct Brightness {
        double hue = 0;
        double saturation = 1;
        bool operator==(const Brightness&) const = default;
    };
    // `color` from clear to its own opacity, over a checkerboard.
    struct Alpha {
        QColor color;
        bool operator==(const Alpha&) const = default;
    };
    // The whole hue circle.
    struct Hue {
        bool operator==(const Hue&) const = default;
    };

    std::variant<Accent, Saturation, Brightness, Alpha, Hue> look;

    static StudioSliderTrack accent(const QColor& color) { return {Accent{color}}; }
    static StudioSliderTrack saturation(double hue, double brightness) { return {Saturation{hue, brightness}}; }
    static StudioSliderTrack brightness(double hue, double saturation) { return {Brightness{hue, saturation}}; }
    static StudioSliderTrack alpha(const QColor& color) { return {Alpha{color}}; }
    static StudioSliderTrack hue() { return {Hue{}}; }

    // The colour of an accent track; nothing for the gradients.
    std::optional<QColor> accentColor() const;

    bool operator==(const StudioSliderTrack&) const = default;
};

// Fills `rect` with the track's look as a capsule (fully rounded ends);
// gradients run from left to right.
void paintStudioSliderTrack(QPainter& painter, const QRectF& rect, const StudioSliderTrack& track);

} // namespace corvane
