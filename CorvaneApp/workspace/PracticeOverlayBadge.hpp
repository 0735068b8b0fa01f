#pragma once

#include <QPainterPath>
#include <QVariantAnimation>
#include <QWidget>

namespace corvane {

// A badge laid over the stage on a translucent panel with a 1-pixel white
// outline. It comes and goes on a spring (or at once with `animates` off);
// the subclass says how the presence 0...1 moves it and paints its content.
class PracticeOverlayBadge : public QWidget {
    Q_OBJECT
public:
    explicit PracticeOverlayBadge(QWidget* parent = nullptr);

    // Shows or hides the badge, animated unless `animates` is false.
    void setPresented(bool presented);
    bool isPresented() const { return presented_; }
    void setAnimates(bool animates) { animates_ = animates; }
    bool animates() const { return animates_; }
    // 0 gone ... 1 fully shown.
    double presence() const { return presence_; }

protected:
    // The outline of the panel in `rect` (widget coordinates).
    virtual QPainterPath panelShape(const QRectF& rect) const = 0;
    // Where the badge's content is moved while it comes and goes.
    virtual void applyPresence(QPainter& painter, double presence) const = 0;
    virtual void paintContent(QPainter& painter) const = 0;

    void paintEvent(QPaintEvent* event) override;

private:
    bool presented_ = false;
    bool animates_ = true;
    double presence_ = 0;
    double from_ = 0;
    QVariantAnimation animation_;
};

} // namespace corvane
