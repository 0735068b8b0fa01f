#pragma once

#include "CorvaneApp/session/CountInProgress.hpp"
#include "CorvaneApp/workspace/PracticeOverlayBadge.hpp"

namespace corvane {

// The beat being counted in, large, over "Compasso m de n"; grows from the
// centre as it comes.
class CountInBadge : public PracticeOverlayBadge {
    Q_OBJECT
public:
    explicit CountInBadge(QWidget* parent = nullptr);

    void setProgress(const CountInProgress& progress);
    const CountInProgress& progress() const { return progress_; }
    QString beatText() const;
    QString measureText() const;

    QSize sizeHint() const override;

protected:
    QPainterPath panelShape(const QRectF& rect) const override;
    void applyPresence(QPainter& painter, double presence) const override;
    void paintContent(QPainter& painter) const override;

private:
    CountInProgress progress_;
};

} // namespace corvane
