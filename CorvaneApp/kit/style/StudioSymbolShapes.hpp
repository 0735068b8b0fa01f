#pragma once

#include <QPainterPath>
#include <QTransform>

#include <span>
#include <vector>

namespace corvane {

// One pictogram under construction on a 24-unit grid. Lines, fills, erasures
// and badges are merged into a single outline, so that a translucent colour
// covers every point once and the result scales to any box.
class SymbolSketch {
public:
    static constexpr double grid = 24;
    // The usual line: a twelfth of the box.
    static constexpr double line = grid / 12;

    // A line along `path`, round at its ends and corners.
    void stroke(const QPainterPath& path, double width = line);
    void fill(const QPainterPath& area);
    // A filled area whose corners are rounded by a line of `width` around it.
    void fillRounded(const QPainterPath& area, double width = line);
    // Takes away what lies under `area` / under a line along `path`.
    void erase(const QPainterPath& area);
    void eraseStroke(const QPainterPath& path, double width = line);
    // Puts `badge` on top, first clearing a gap of `gap` around it.
    void addBadge(const SymbolSketch& badge, double gap = 1.5);

    // Later parts are placed through `transform` (grid to grid), e.g. mirrored.
    void setTransform(const QTransform& transform) { transform_ = transform; }

    // The merged outline, in grid units.
    QPainterPath outline() const;

private:
    // What was added, kept to grow the badge's silhouette: an area (width 0)
    // or a line of some width, in work units.
    struct Part {
        QPainterPath path;
        double width;
    };

    QPainterPath toWork(const QPainterPath& path) const;
    void unite(const QPainterPath& work);
    // The added parts, each widened by `margin` on every side.
    QPainterPath grown(double margin) const;

    QPainterPath shape_; // in work units (see StudioSymbolShapes.cpp)
    std::vector<Part> parts_;
    QTransform transform_;
};

struct SymbolDrawing {
    const char* name;
    void (*draw)(SymbolSketch&);
};

// Every symbol, in a fixed order, with the function that sketches it.
std::span<const SymbolDrawing> symbolDrawings();

} // namespace corvane
