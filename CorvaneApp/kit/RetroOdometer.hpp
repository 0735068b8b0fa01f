#pragma once

#include <QVariantAnimation>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

namespace corvane {

// The roll of the drum at decimal `place` (0 for units) showing `value`:
// value / 10^place, not reduced modulo 10. Negative values count as 0.
std::int64_t odometerDrumPosition(std::int64_t value, int place);
// The last decimal digit of `n`, 0...9 also for negative `n` (−1 gives 9).
int odometerDigit(std::int64_t n);
// The digit nearest the middle of a drum rolled to `position`.
int odometerCentreDigit(double position);

// A tape-counter read-out of a whole number on `digits` drums (0 to 19):
// leading zeros shown, higher digits cut off; a change rolls each affected
// drum through every digit in between on a spring.
class RetroOdometer : public QWidget {
    Q_OBJECT
public:
    RetroOdometer(int digits, int drumWidth, int drumHeight, QWidget* parent = nullptr);
    ~RetroOdometer() override;

    std::int64_t value() const { return value_; }
    void setValue(std::int64_t value);
    int digits() const { return int(drums_.size()); }
    // The roll of drum `index` (0 leftmost) at this moment.
    double drumPosition(int index) const;
    // The drum's animation, for tests that step it by hand.
    QVariantAnimation& drumAnimation(int index);

    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Drum;
    QRect drumRect(int index) const;

    std::int64_t value_ = 0;
    int drumWidth_;
    int drumHeight_;
    std::vector<std::unique_ptr<Drum>> drums_;
};

} // namespace corvane
