#pragma once

#include <QVariantAnimation>
#include <QWidget>

namespace corvane {

// How lit a lamp is, 0 (dark) to 1 (lit), easing out over 0.15 s whenever
// it is switched; calls `changed` on every step.
class LampLevel : public QObject {
    Q_OBJECT
public:
    static constexpr int durationMilliseconds = 150;

    explicit LampLevel(QObject* parent = nullptr);

    bool isOn() const { return isOn_; }
    void setOn(bool on);
    double level() const { return level_; }

signals:
    void changed();

private:
    bool isOn_ = false;
    double level_ = 0;
    QVariantAnimation animation_;
};

// A small amber indicator, 11 × 8 with room around it for its glow.
class RetroLED : public QWidget {
    Q_OBJECT
public:
    explicit RetroLED(QWidget* parent = nullptr);

    bool isOn() const { return lamp_.isOn(); }
    void setOn(bool on) { lamp_.setOn(on); }
    double level() const { return lamp_.level(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LampLevel lamp_;
};

} // namespace corvane
