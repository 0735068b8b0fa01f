#include "CorvaneApp/kit/style/StudioSymbols.hpp"

#include <QHash>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <mutex>
#include <optional>

#include "CorvaneApp/kit/style/StudioSymbolShapes.hpp"

namespace corvane {

namespace {

const QHash<QString, void (*)(SymbolSketch&)>& drawingsByName()
{
    static const auto table = [] {
        QHash<QString, void (*)(SymbolSketch&)> byName;
        for (const SymbolDrawing& drawing : symbolDrawings())
            byName.insert(QString::fromLatin1(drawing.name), drawing.draw);
        return byName;
    }();
    return table;
}

// A symbol's outline on the sketch grid. Merging its parts costs path
// arithmetic, so each is made once and kept; painting may happen on any thread.
std::optional<QPainterPath> symbolOutline(const QString& name)
{
    static std::mutex mutex;
    static QHash<QString, QPainterPath> made;
    const auto drawing = drawingsByName().constFind(name);
    if (drawing == drawingsByName().cend()) return std::nullopt;
    const std::lock_guard lock(mutex);
    auto kept = made.constFind(name);
    if (kept == made.cend()) {
        SymbolSketch sketch;
        (*drawing)(sketch);
        kept = made.insert(name, sketch.outline());
    }
    return *kept;
}

} // namespace

const QStringList& studioSymbolNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const SymbolDrawing& drawing : symbolDrawings()) list.append(QString::fromLatin1(drawing.name));
        return list;
    }();
    return names;
}

bool isStudioSymbol(const QString& name) { return drawingsByName().contains(name); }

void prepareStudioSymbols()
{
    for (const QString& name : studioSymbolNames()) symbolOutline(name);
}

void paintStudioSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& color)
{
    const double side = std::min(box.width(), box.height());
    if (!std::isfinite(side) || !std::isfinite(box.x()) || !std::isfinite(box.y()) || side <= 0) return;
    const auto outline = symbolOutline(name);
    if (!outline) return;
    const double scale = side / SymbolSketch::grid;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center());
    painter.scale(scale, scale);
    painter.translate(-SymbolSketch::grid / 2, -SymbolSketch::grid / 2);
    // One fill of the merged outline, so a translucent colour stays even.
    painter.fillPath(*outline, color);
    painter.restore();
}

QIcon studioSymbolIcon(const QString& name, int size, const QColor& color)
{
    if (size <= 0 || !isStudioSymbol(name)) return {};
    QIcon icon;
    for (int ratio : {1, 2}) {
        QPixmap pixmap(size * ratio, size * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintStudioSymbol(painter, name, QRectF(0, 0, size, size), color);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace corvane
