#pragma once

#include <QElapsedTimer>
#include <QVariantAnimation>

#include "CorvaneApp/session/CountInProgress.hpp"
#include "CorvaneApp/workspace/PracticeOverlayBadge.hpp"

namespace corvane {

// The beat being counted in, large, over "Compasso m de n"; grows from the
// centre as it comes. While the badge animates, a new beat rolls in: the
// old number leaves upwards as the new one comes from below, within the
// time of one beat.
class CountInBadge : public PracticeOverlayBadge {
    Q_OBJECT
public:
    explicit CountInBadge(QWidget* parent = nullptr);

    void setProgress(const CountInProgress& progress);
    const CountInProgress& progress() const { return progress_; }
    QString beatText() const;
    QString measureText() const;

    QSize sizeHint() const override;

    // The roll from the previous beat to this one; stopped when none runs.
    // Tests pause it to look at a frame in the middle.
    QVariantAnimation& beatRoll() { return beatRoll_; }
    // The number rolling out, while a roll runs.
    const QString& outgoingBeatText() const { return outgoingBeat_; }

protected:
    QPainterPath panelShape(const QRectF& rect) const override;
    void applyPresence(QPainter& painter, double presence) const override;
    void paintContent(QPainter& painter) const override;

private:
    void rollBeat(const QString& outgoing, qint64 beatMilliseconds);
    void endRoll();

    CountInProgress progress_;
    QString outgoingBeat_;
    double rollPosition_ = 1; // 0 old number in place ... 1 new one in place
    QVariantAnimation beatRoll_;
    QElapsedTimer sinceBeat_;
};

} // namespace corvane
