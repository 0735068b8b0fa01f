#include "CorvaneApp/kit/style/StudioSymbolShapes.hpp"

#include <QPainterPathStroker>

#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace corvane {

namespace {

// Path arithmetic flattens curves to a fixed tolerance in path units; working
// on a grid this many times finer keeps the curves smooth at large sizes.
constexpr double workScale = 16;

const QTransform& toWorkUnits()
{
    static const QTransform transform = QTransform::fromScale(workScale, workScale);
    return transform;
}

// The area a round-ended line of `workWidth` along `workPath` covers.
QPainterPath strokeOutline(const QPainterPath& workPath, double workWidth)
{
    QPainterPathStroker stroker;
    stroker.setWidth(workWidth);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(workPath);
}

} // namespace

QPainterPath SymbolSketch::toWork(const QPainterPath& path) const { return (transform_ * toWorkUnits()).map(path); }

void SymbolSketch::unite(const QPainterPath& work) { shape_ = shape_.isEmpty() ? work : shape_.united(work); }

void SymbolSketch::stroke(const QPainterPath& path, double width)
{
    const QPainterPath work = toWork(path);
    parts_.push_back({work, width * workScale});
    unite(strokeOutline(work, width * workScale));
}

void SymbolSketch::fill(const QPainterPath& area)
{
    const QPainterPath work = toWork(area);
    parts_.push_back({work, 0});
    unite(work);
}

void SymbolSketch::fillRounded(const QPainterPath& area, double width)
{
    fill(area);
    stroke(area, width);
}

void SymbolSketch::erase(const QPainterPath& area) { shape_ = shape_.subtracted(toWork(area)); }

void SymbolSketch::eraseStroke(const QPainterPath& path, double width)
{
    shape_ = shape_.subtracted(strokeOutline(toWork(path), width * workScale));
}

QPainterPath SymbolSketch::grown(double margin) const
{
    // Widening the simple parts is far cheaper than outlining the merged shape.
    QPainterPath silhouette;
    for (const Part& part : parts_) {
        QPainterPath widened = strokeOutline(part.path, part.width + 2 * margin * workScale);
        if (part.width == 0) widened = widened.united(part.path);
        silhouette = silhouette.isEmpty() ? widened : silhouette.united(widened);
    }
    return silhouette;
}

void SymbolSketch::addBadge(const SymbolSketch& badge, double gap)
{
    shape_ = shape_.subtracted(badge.grown(gap));
    unite(badge.shape_);
}

QPainterPath SymbolSketch::outline() const { return toWorkUnits().inverted().map(shape_); }

namespace {

// ---- building blocks, in grid units -------------------------------------------------

QPainterPath polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first) path.moveTo(point);
        else path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path = polyline(points);
    path.closeSubpath();
    return path;
}

QPainterPath segment(QPointF from, QPointF to) { return polyline({from, to}); }

QPainterPath circle(QPointF centre, double radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath rounded(const QRectF& rect, double radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath rect(const QRectF& area)
{
    QPainterPath path;
    path.addRect(area);
    return path;
}

// Path arithmetic on grid-sized shapes, done in work units so curves stay smooth.
QPainterPath subtracted(const QPainterPath& from, const QPainterPath& away)
{
    return toWorkUnits().inverted().map(toWorkUnits().map(from).subtracted(toWorkUnits().map(away)));
}

QPainterPath intersected(const QPainterPath& a, const QPainterPath& b)
{
    return toWorkUnits().inverted().map(toWorkUnits().map(a).intersected(toWorkUnits().map(b)));
}

// An arc of a circle; angles in degrees, counter-clockwise from three o'clock.
QPainterPath arc(QPointF centre, double radius, double startDegrees, double sweepDegrees)
{
    const QRectF bounds(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.arcMoveTo(bounds, startDegrees);
    path.arcTo(bounds, startDegrees, sweepDegrees);
    return path;
}

QPointF polar(QPointF centre, double radius, double degrees)
{
    const double radians = degrees * std::numbers::pi / 180;
    return centre + QPointF(radius * std::cos(radians), -radius * std::sin(radians));
}

// A four-pointed star with gently hollow sides.
QPainterPath star(QPointF c, double r)
{
    const double k = r * 0.16;
    QPainterPath path;
    path.moveTo(c.x(), c.y() - r);
    path.quadTo(c.x() + k, c.y() - k, c.x() + r, c.y());
    path.quadTo(c.x() + k, c.y() + k, c.x(), c.y() + r);
    path.quadTo(c.x() - k, c.y() + k, c.x() - r, c.y());
    path.quadTo(c.x() - k, c.y() - k, c.x(), c.y() - r);
    path.closeSubpath();
    return path;
}

// An eighth note whose head is centred on `head`, `scale` times the full size.
void note(SymbolSketch& s, QPointF head, double scale, double width = SymbolSketch::line)
{
    QPainterPath oval;
    oval.addEllipse(QPointF(0, 0), 3.5 * scale, 2.6 * scale);
    s.fill(QTransform().translate(head.x(), head.y()).rotate(-22).map(oval));
    const double stemX = head.x() + 2.5 * scale;
    const double top = head.y() - 14 * scale;
    s.stroke(segment({stemX, head.y() - 0.5 * scale}, {stemX, top}), width);
    QPainterPath flag;
    flag.moveTo(stemX, top);
    flag.cubicTo(stemX + 0.5 * scale, top + 3.5 * scale, stemX + 5.5 * scale, top + 3.5 * scale,
                 stemX + 5 * scale, top + 8.5 * scale);
    s.stroke(flag, width);
}

// Two arrows chasing each other round a rectangle: the repeat sign.
QPainterPath repeatArrows()
{
    QPainterPath path;
    path.moveTo(6.5, 12.5);
    path.lineTo(6.5, 11);
    path.quadTo(6.5, 9, 8.5, 9);
    path.lineTo(15.5, 9);
    path.addPath(polyline({{13.8, 7.3}, {15.5, 9}, {13.8, 10.7}}));
    path.moveTo(17.5, 11.5);
    path.lineTo(17.5, 13);
    path.quadTo(17.5, 15, 15.5, 15);
    path.lineTo(8.5, 15);
    path.addPath(polyline({{10.2, 13.3}, {8.5, 15}, {10.2, 16.7}}));
    return path;
}

// A loudspeaker whose box starts at `left`.
QPainterPath speaker(double left)
{
    return polygon({{left, 9.5}, {left + 4, 9.5}, {left + 9, 5}, {left + 9, 19}, {left + 4, 14.5}, {left, 14.5}});
}

// The folder's outline: a tab at the upper left.
QPainterPath folderOutline()
{
    QPainterPath path;
    path.moveTo(3, 18);
    path.lineTo(3, 6.5);
    path.quadTo(3, 4.5, 5, 4.5);
    path.lineTo(9.5, 4.5);
    path.lineTo(11.5, 7);
    path.lineTo(19, 7);
    path.quadTo(21, 7, 21, 9);
    path.lineTo(21, 18);
    path.quadTo(21, 20, 19, 20);
    path.lineTo(5, 20);
    path.quadTo(3, 20, 3, 18);
    path.closeSubpath();
    return path;
}

// ---- badges, at the lower right -------------------------------------------------

void plusBadge(SymbolSketch& s)
{
    SymbolSketch badge;
    badge.stroke(segment({14.5, 18.5}, {22, 18.5}), 2.2);
    badge.stroke(segment({18.25, 14.75}, {18.25, 22.25}), 2.2);
    s.addBadge(badge);
}

void questionBadge(SymbolSketch& s)
{
    SymbolSketch badge;
    QPainterPath hook;
    hook.moveTo(15.2, 14.3);
    hook.cubicTo(15.2, 11.4, 20.8, 11.4, 20.8, 14.3);
    hook.cubicTo(20.8, 16.2, 18, 16.1, 18, 18.3);
    badge.stroke(hook, 2);
    badge.fill(circle({18, 21.4}, 1.2));
    s.addBadge(badge);
}

void triangleBadge(SymbolSketch& s)
{
    SymbolSketch badge;
    badge.fillRounded(polygon({{17.75, 11.5}, {22.5, 20.5}, {13, 20.5}}), 2);
    badge.eraseStroke(segment({17.75, 14.6}, {17.75, 17}), 1.5);
    badge.erase(circle({17.75, 19.3}, 0.85));
    s.addBadge(badge);
}

// ---- the symbols -------------------------------------------------

void trash(SymbolSketch& s)
{
    s.stroke(segment({3.5, 6}, {20.5, 6}));
    s.stroke(polyline({{9, 6}, {9, 3}, {15, 3}, {15, 6}}));
    QPainterPath body;
    body.moveTo(5.5, 6);
    body.lineTo(6.7, 19);
    body.quadTo(6.9, 21, 8.9, 21);
    body.lineTo(15.1, 21);
    body.quadTo(17.1, 21, 17.3, 19);
    body.lineTo(18.5, 6);
    s.stroke(body);
    s.stroke(segment({10, 10}, {10, 17}), 1.6);
    s.stroke(segment({14, 10}, {14, 17}), 1.6);
}

void plus(SymbolSketch& s)
{
    s.stroke(segment({12, 3.5}, {12, 20.5}));
    s.stroke(segment({3.5, 12}, {20.5, 12}));
}

void pencil(SymbolSketch& s)
{
    // Drawn lying along the x axis with its point at the origin, then stood up.
    s.setTransform(QTransform().translate(3.5, 20.5).rotate(-45));
    s.fill(polygon({{0, 0}, {4.5, -1.6}, {4.5, 1.6}}));
    s.stroke(polygon({{0, 0}, {5, -2.8}, {20, -2.8}, {20, 2.8}, {5, 2.8}}));
    s.stroke(segment({16, -2.8}, {16, 2.8}));
}

void checkmark(SymbolSketch& s) { s.stroke(polyline({{4.5, 12.5}, {9.5, 17.5}, {19.5, 6.5}}), 2.2); }

void ellipsis(SymbolSketch& s)
{
    for (double x : {5.0, 12.0, 19.0}) s.fill(circle({x, 12}, 2));
}

void play(SymbolSketch& s) { s.fillRounded(polygon({{7.5, 4.5}, {20, 12}, {7.5, 19.5}})); }

void pause(SymbolSketch& s)
{
    s.fill(rounded({5.5, 4, 5, 16}, 1.5));
    s.fill(rounded({13.5, 4, 5, 16}, 1.5));
}

void forward(SymbolSketch& s)
{
    s.fillRounded(polygon({{1.5, 5.5}, {12, 12}, {1.5, 18.5}}), 1.5);
    s.fillRounded(polygon({{12, 5.5}, {22.5, 12}, {12, 18.5}}), 1.5);
}

void backward(SymbolSketch& s)
{
    s.setTransform(QTransform(-1, 0, 0, 1, SymbolSketch::grid, 0));
    forward(s);
}

void arrowClockwise(SymbolSketch& s)
{
    s.stroke(arc({12, 13}, 7.5, 40, -310));
    s.stroke(polyline({{9.3, 2.6}, {12.4, 5.5}, {9.3, 8.4}}));
}

void arrowCounterclockwise(SymbolSketch& s)
{
    s.setTransform(QTransform(-1, 0, 0, 1, SymbolSketch::grid, 0));
    arrowClockwise(s);
}

void musicNote(SymbolSketch& s) { note(s, {8.5, 18}, 1); }

void musicNoteList(SymbolSketch& s)
{
    s.stroke(segment({3, 5}, {13, 5}));
    s.stroke(segment({3, 10}, {11, 10}));
    s.stroke(segment({3, 15}, {9, 15}));
    note(s, {15, 19}, 0.8);
}

void musicNoteHouse(SymbolSketch& s)
{
    s.stroke(polyline({{2.5, 11}, {12, 3}, {21.5, 11}}));
    s.stroke(polyline({{5, 9}, {5, 20.5}, {19, 20.5}, {19, 9}}));
    note(s, {10.6, 16.8}, 0.55, 1.5);
}

void booksVertical(SymbolSketch& s)
{
    s.stroke(rounded({3, 6, 5, 14.5}, 0.5));
    s.stroke(rounded({8, 3.5, 5, 17}, 0.5));
    s.stroke(segment({3, 16}, {13, 16}));
    s.setTransform(QTransform().translate(14, 20.5).rotate(16));
    s.stroke(rounded({0, -14.5, 4, 14.5}, 0.5));
    s.stroke(segment({0, -4.5}, {4, -4.5}));
}

void clock(SymbolSketch& s)
{
    s.stroke(circle({12, 12}, 9.5));
    s.stroke(polyline({{12, 6.5}, {12, 12}, {16, 14.5}}));
}

void calendar(SymbolSketch& s)
{
    const QPainterPath frame = rounded({3, 4.5, 18, 16.5}, 2.5);
    s.stroke(frame);
    s.fill(intersected(frame, rect({0, 0, 24, 9.5})));
    for (double y : {13.5, 17.5})
        for (double x : {8.0, 12.0, 16.0}) s.fill(circle({x, y}, 1.25));
}

void sparkles(SymbolSketch& s)
{
    s.fill(star({9.5, 14}, 8));
    s.fill(star({18.5, 6}, 4));
    s.fill(star({19.5, 18.5}, 2.6));
}

void folder(SymbolSketch& s)
{
    s.stroke(folderOutline());
    s.stroke(segment({3, 10}, {21, 10}));
}

void folderBadgePlus(SymbolSketch& s)
{
    folder(s);
    plusBadge(s);
}

void folderBadgeQuestionmark(SymbolSketch& s)
{
    folder(s);
    questionBadge(s);
}

void docBadgePlus(SymbolSketch& s)
{
    QPainterPath page;
    page.moveTo(14, 3);
    page.lineTo(7, 3);
    page.quadTo(5, 3, 5, 5);
    page.lineTo(5, 19);
    page.quadTo(5, 21, 7, 21);
    page.lineTo(17, 21);
    page.quadTo(19, 21, 19, 19);
    page.lineTo(19, 8);
    page.closeSubpath();
    s.stroke(page);
    s.stroke(polyline({{14, 3}, {14, 8}, {19, 8}}));
    plusBadge(s);
}

void textBadgePlus(SymbolSketch& s)
{
    s.stroke(segment({3, 4.5}, {21, 4.5}));
    s.stroke(segment({3, 9.5}, {21, 9.5}));
    s.stroke(segment({3, 14.5}, {13, 14.5}));
    s.stroke(segment({3, 19.5}, {10, 19.5}));
    plusBadge(s);
}

void photo(SymbolSketch& s)
{
    s.stroke(rounded({2.5, 4, 19, 16}, 2.5));
    s.fill(circle({16, 9}, 1.9));
    s.fillRounded(polygon({{3.5, 18.5}, {8.5, 12}, {12.5, 16.5}, {15.5, 13.5}, {20.5, 18.5}}), 1);
}

void photoBadgePlus(SymbolSketch& s)
{
    photo(s);
    plusBadge(s);
}

void exclamationTriangle(SymbolSketch& s)
{
    s.stroke(polygon({{12, 3}, {21.5, 20}, {2.5, 20}}));
    s.stroke(segment({12, 9}, {12, 13.5}));
    s.fill(circle({12, 16.8}, 1.25));
}

void lockOpenWarning(SymbolSketch& s)
{
    s.fill(rounded({2.5, 11, 12, 10.5}, 2));
    QPainterPath shackle;
    shackle.moveTo(11.5, 11);
    shackle.lineTo(11.5, 7.5);
    shackle.arcTo(QRectF(11.5, 4, 7, 7), 180, -180);
    shackle.lineTo(18.5, 8.5);
    s.stroke(shackle);
    triangleBadge(s);
}

void waveform(SymbolSketch& s)
{
    // Wide enough apart that the bars stay separate at 16 px.
    constexpr std::array<double, 6> halfHeights{3, 7, 9.5, 5.5, 8, 3};
    for (size_t i = 0; i < halfHeights.size(); ++i) {
        const double x = 3 + 3.6 * double(i);
        s.stroke(segment({x, 12 - halfHeights[i]}, {x, 12 + halfHeights[i]}), 1.8);
    }
}

void pianokeys(SymbolSketch& s)
{
    s.stroke(rounded({2.5, 3.5, 19, 17}, 2.5));
    for (double x : {7.25, 12.0, 16.75}) {
        s.stroke(segment({x, 13}, {x, 20.5}), 1.6);
        s.fill(rounded({x - 1.7, 3.5, 3.4, 9.5}, 0.8));
    }
}

void gearshape(SymbolSketch& s)
{
    const QPointF centre(12, 12);
    QPainterPath gear;
    for (int tooth = 0; tooth < 8; ++tooth) {
        const double a = tooth * 45.0;
        const QPointF rootStart = polar(centre, 7.2, a - 14);
        if (tooth == 0) gear.moveTo(rootStart);
        else gear.lineTo(rootStart);
        gear.lineTo(polar(centre, 9.6, a - 8));
        gear.lineTo(polar(centre, 9.6, a + 8));
        gear.lineTo(polar(centre, 7.2, a + 14));
    }
    gear.closeSubpath();
    s.stroke(gear);
    s.stroke(circle(centre, 3));
}

void macwindow(SymbolSketch& s)
{
    s.stroke(rounded({2.5, 4, 19, 16}, 2.5));
    s.stroke(segment({2.5, 8.5}, {21.5, 8.5}));
}

void handRaised(SymbolSketch& s)
{
    constexpr double fingerWidth = 2.8;
    s.stroke(segment({7.4, 13}, {7.4, 6}), fingerWidth);
    s.stroke(segment({11.1, 13}, {11.1, 4}), fingerWidth);
    s.stroke(segment({14.8, 13}, {14.8, 4.8}), fingerWidth);
    s.stroke(segment({18.5, 14}, {18.5, 7.5}), fingerWidth);
    QPainterPath palm;
    palm.moveTo(6, 11);
    palm.lineTo(19.9, 11);
    palm.lineTo(19.9, 15);
    palm.cubicTo(19.9, 19.3, 17.2, 21.5, 13.5, 21.5);
    palm.lineTo(11.8, 21.5);
    palm.cubicTo(9.4, 21.5, 7.8, 20.6, 6.6, 19);
    palm.closeSubpath();
    s.fill(palm);
    s.stroke(segment({7.2, 18.2}, {3.6, 12.6}), 3);
}

void flagFilled(SymbolSketch& s)
{
    s.stroke(segment({5, 3}, {5, 21.5}));
    QPainterPath cloth;
    cloth.moveTo(5, 4);
    cloth.cubicTo(9, 2, 12.5, 6.5, 19.5, 4);
    cloth.lineTo(19.5, 13.5);
    cloth.cubicTo(12.5, 16, 9, 11.5, 5, 13.5);
    cloth.closeSubpath();
    s.fillRounded(cloth, 1.5);
}

void flagCheckered(SymbolSketch& s)
{
    s.stroke(segment({4.5, 3}, {4.5, 21.5}));
    const QRectF cloth(4.5, 4, 15.5, 9.5);
    s.stroke(rect(cloth));
    const double w = cloth.width() / 4;
    const double h = cloth.height() / 2;
    for (int row = 0; row < 2; ++row)
        for (int column = row; column < 4; column += 2)
            s.fill(rect({cloth.left() + column * w, cloth.top() + row * h, w, h}));
}

void repeatCircle(SymbolSketch& s)
{
    s.stroke(circle({12, 12}, 9.5));
    s.stroke(repeatArrows(), 1.6);
}

void repeatCircleFilled(SymbolSketch& s)
{
    s.fill(circle({12, 12}, 10.5));
    s.eraseStroke(repeatArrows(), 1.6);
}

void speakerWaves(SymbolSketch& s)
{
    s.fillRounded(speaker(2.5));
    s.stroke(arc({11.5, 12}, 4.5, -45, 90));
    s.stroke(arc({11.5, 12}, 8.5, -45, 90));
}

// The slash crosses the speaker with a gap cleared along it.
void slash(SymbolSketch& s)
{
    const QPainterPath line = segment({3.5, 3.5}, {20.5, 20.5});
    s.eraseStroke(line, SymbolSketch::line + 2.4);
    s.stroke(line);
}

void speakerSlash(SymbolSketch& s)
{
    s.stroke(speaker(4.5));
    slash(s);
}

void speakerSlashFilled(SymbolSketch& s)
{
    s.fillRounded(speaker(4.5));
    slash(s);
}

void sliderHorizontal(SymbolSketch& s)
{
    constexpr double knob = 2.3;
    for (const QPointF k : {QPointF(15, 6), QPointF(8, 12), QPointF(16, 18)}) {
        s.stroke(segment({3, k.y()}, {k.x() - knob, k.y()}));
        s.stroke(segment({k.x() + knob, k.y()}, {21, k.y()}));
        s.stroke(circle(k, knob));
    }
}

void sidebarLeading(SymbolSketch& s)
{
    const QPainterPath frame = rounded({2.5, 4.5, 19, 15}, 3);
    s.stroke(frame);
    s.fill(intersected(frame, rect({0, 0, 9.5, 24})));
}

void magnifyingglass(SymbolSketch& s)
{
    s.stroke(circle({10, 10}, 6.5));
    s.stroke(segment({14.9, 14.9}, {20.5, 20.5}), 2.6);
}

void paintpalette(SymbolSketch& s)
{
    QPainterPath board;
    board.addEllipse(QPointF(12, 12), 9.5, 8.5);
    s.stroke(subtracted(board, circle({18.8, 17.6}, 3.4)));
    for (const QPointF dot : {QPointF(7.5, 10), QPointF(10.5, 6.8), QPointF(15, 7), QPointF(17.6, 10.6),
                              QPointF(8.3, 14.6)})
        s.fill(circle(dot, 1.5));
}

constexpr std::array drawings{
    SymbolDrawing{"trash", trash},
    SymbolDrawing{"plus", plus},
    SymbolDrawing{"pencil", pencil},
    SymbolDrawing{"checkmark", checkmark},
    SymbolDrawing{"ellipsis", ellipsis},
    SymbolDrawing{"play.fill", play},
    SymbolDrawing{"pause.fill", pause},
    SymbolDrawing{"backward.fill", backward},
    SymbolDrawing{"forward.fill", forward},
    SymbolDrawing{"arrow.clockwise", arrowClockwise},
    SymbolDrawing{"arrow.counterclockwise", arrowCounterclockwise},
    SymbolDrawing{"music.note", musicNote},
    SymbolDrawing{"music.note.list", musicNoteList},
    SymbolDrawing{"music.note.house", musicNoteHouse},
    SymbolDrawing{"books.vertical", booksVertical},
    SymbolDrawing{"clock", clock},
    SymbolDrawing{"calendar", calendar},
    SymbolDrawing{"sparkles", sparkles},
    SymbolDrawing{"folder", folder},
    SymbolDrawing{"folder.badge.plus", folderBadgePlus},
    SymbolDrawing{"folder.badge.questionmark", folderBadgeQuestionmark},
    SymbolDrawing{"doc.badge.plus", docBadgePlus},
    SymbolDrawing{"text.badge.plus", textBadgePlus},
    SymbolDrawing{"photo", photo},
    SymbolDrawing{"photo.badge.plus", photoBadgePlus},
    SymbolDrawing{"exclamationmark.triangle", exclamationTriangle},
    SymbolDrawing{"lock.open.trianglebadge.exclamationmark", lockOpenWarning},
    SymbolDrawing{"waveform", waveform},
    SymbolDrawing{"pianokeys", pianokeys},
    SymbolDrawing{"gearshape", gearshape},
    SymbolDrawing{"macwindow", macwindow},
    SymbolDrawing{"hand.raised.fill", handRaised},
    SymbolDrawing{"flag.fill", flagFilled},
    SymbolDrawing{"flag.checkered", flagCheckered},
    SymbolDrawing{"repeat.circle", repeatCircle},
    SymbolDrawing{"repeat.circle.fill", repeatCircleFilled},
    SymbolDrawing{"speaker.wave.2.fill", speakerWaves},
    SymbolDrawing{"speaker.slash", speakerSlash},
    SymbolDrawing{"speaker.slash.fill", speakerSlashFilled},
    SymbolDrawing{"slider.horizontal.3", sliderHorizontal},
    SymbolDrawing{"sidebar.leading", sidebarLeading},
    SymbolDrawing{"magnifyingglass", magnifyingglass},
    SymbolDrawing{"paintpalette", paintpalette},
};

} // namespace

std::span<const SymbolDrawing> symbolDrawings() { return drawings; }

} // namespace corvane
