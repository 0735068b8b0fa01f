#pragma once

#include <QWidget>

#include <cstdint>

namespace corvane {

class MeasureScrubBar;
class PracticeSessionStore;
class RetroKnob;
class RetroLED;
class RetroLoopButton;
class RetroOdometer;
class RetroPanel;
class RetroTransportButton;
class SongSummary;

// The strip under the stage: the measure scrub bar, and the control deck
// with the song summary, the measure counter, the transport buttons and
// their lamp, and the speed knob beside the loop button. Each piece follows
// only the controller values it shows.
class StudyTimelineView : public QWidget {
    Q_OBJECT
public:
    explicit StudyTimelineView(PracticeSessionStore& store, QWidget* parent = nullptr);

    // Seconds as "m:ss", rounded, never below 0:00; minutes not capped.
    static QString timeLabel(double seconds);
    // The stored seek step (5 when not above 0) with no fraction digits.
    QString seekStepLabel() const;
    // Playing (with a song open) or counting in.
    bool isTransportActive() const;
    // The measure of the last measure start at or before the position; 0 before the first.
    std::int64_t currentMeasure() const;

    MeasureScrubBar& scrubBar() const { return *scrubBar_; }
    SongSummary& summary() const { return *summary_; }
    RetroOdometer& odometer() const { return *odometer_; }
    RetroLED& transportLamp() const { return *lamp_; }
    RetroTransportButton& backButton() const { return *back_; }
    RetroTransportButton& playButton() const { return *play_; }
    RetroTransportButton& forwardButton() const { return *forward_; }
    RetroKnob& speedKnob() const { return *knob_; }
    RetroLoopButton& loopButton() const { return *loop_; }
    QWidget& transportControls() const { return *transportControls_; }
    QWidget& speedAndLoopControls() const { return *speedAndLoopControls_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildMeasurePanel();
    QWidget* buildTransportPanel();
    QWidget* buildSpeedAndLoopPanel();
    void applyTransport();
    void applySeekStep();
    void applyRate();
    void applyLoop();
    void applyDuration();
    void applyPosition();
    void applyAccent();
    double seekStep() const;

    PracticeSessionStore& store_;
    MeasureScrubBar* scrubBar_ = nullptr;
    SongSummary* summary_ = nullptr;
    RetroOdometer* odometer_ = nullptr;
    RetroLED* lamp_ = nullptr;
    RetroTransportButton* back_ = nullptr;
    RetroTransportButton* play_ = nullptr;
    RetroTransportButton* forward_ = nullptr;
    RetroKnob* knob_ = nullptr;
    RetroLoopButton* loop_ = nullptr;
    QWidget* transportControls_ = nullptr;
    QWidget* speedAndLoopControls_ = nullptr;
    int scrubRowHeight_ = 0;
};

// The song's title, its progress capsule and the elapsed and total times.
// A position step repaints only the capsule and the elapsed time, and only
// when what they show changes.
class SongSummary : public QWidget {
    Q_OBJECT
public:
    explicit SongSummary(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setAccent(const QColor& accent);
    // Fraction 0...1 and the two times as text.
    void setProgress(double fraction, const QString& elapsed);
    void setTotal(const QString& total);

    const QString& title() const { return title_; }
    double fraction() const { return fraction_; }
    const QString& elapsed() const { return elapsed_; }
    const QString& total() const { return total_; }
    // The filled part of the capsule, at least 3 wide.
    double filledWidth() const;

    QSize sizeHint() const override { return {294, 58}; }
    QSize minimumSizeHint() const override { return {120, 58}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF contentRect() const;
    QRectF capsuleRect() const;
    QRect elapsedRect() const;

    QString title_;
    QString elapsed_ = QStringLiteral("0:00");
    QString total_ = QStringLiteral("0:00");
    double fraction_ = 0;
    QColor accent_;
};

} // namespace corvane
