#pragma once

#include <QWidget>

#include <array>
#include <optional>

#include "CorvaneApp/inspector/InspectorDisclosureGroup.hpp"
#include "CorvaneApp/inspector/PracticeReadoutFormats.hpp"
#include "CorvaneAudio/midi/MIDILatencyAccumulator.hpp"

class QAbstractButton;
class QLabel;

namespace corvane {

// A widget holding one child below `top` points of space.
QWidget* paddedTop(QWidget* child, int top);

class PracticeSessionStore;
class StudioFieldLabel;

// A title at the left and a figure at the right, in the large read-out font.
class PracticeMetricRow : public QWidget {
    Q_OBJECT
public:
    explicit PracticeMetricRow(const QString& title, QWidget* parent = nullptr);

    StudioFieldLabel& titleLabel() const { return *title_; }
    QString value() const;
    // Leaves the label alone when the text is the same.
    void setValue(const QString& value);

private:
    StudioFieldLabel* title_;
    QLabel* value_;
};

// A bar 6 high, rounded at both ends, split into the breakdown's kinds side
// by side, each as wide as its share of the total.
class PracticeProportionBar : public QWidget {
    Q_OBJECT
public:
    explicit PracticeProportionBar(QWidget* parent = nullptr);

    void setBreakdown(const PracticeBreakdown& breakdown);
    const PracticeBreakdown& breakdown() const { return breakdown_; }
    // Each kind's stretch of the bar at the bar's width now, in breakdown order.
    std::array<QRectF, 4> segmentRects() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PracticeBreakdown breakdown_{};
};

// A dot in the kind's colour, its label, the share in percent and the count,
// both in the user's own locale; one accessibility element.
class PracticeBreakdownRow : public QWidget {
    Q_OBJECT
public:
    explicit PracticeBreakdownRow(PracticeFeedbackKind kind, QWidget* parent = nullptr);

    PracticeFeedbackKind kind() const { return kind_; }
    // `share` is the count's part of the whole breakdown, 0...1.
    void setCount(std::int64_t count, double share);
    QString label() const;
    QString percentText() const;
    QString countText() const;

private:
    PracticeFeedbackKind kind_;
    StudioFieldLabel* label_;
    QLabel* percent_;
    QLabel* count_;
};

// "Sessão": the open song's session so far, read from the controller at
// every change of its progress revision (no timer), with "Zerar sessão".
// Its label row shows the notes played, in the user's own locale.
class SessionReadoutGroup : public InspectorDisclosureGroup {
    Q_OBJECT
public:
    explicit SessionReadoutGroup(PracticeSessionStore& store, QWidget* parent = nullptr);

    // Reads the session again and updates what changed.
    void refresh();
    const PracticeMetrics& shownMetrics() const { return shown_; }

    PracticeMetricRow& activeTimeRow() const { return *activeTime_; }
    PracticeMetricRow& playedNotesRow() const { return *playedNotes_; }
    PracticeProportionBar& proportionBar() const { return *bar_; }
    // The bar with its padding; shown once a note was played.
    QWidget& proportionBarHolder() const { return *barHolder_; }
    QWidget& breakdownColumn() const { return *breakdownColumn_; }
    const std::array<PracticeBreakdownRow*, 4>& breakdownRows() const { return rows_; }
    QAbstractButton& resetButton() const { return *reset_; }
    // The button with its padding.
    QWidget& resetHolder() const { return *resetHolder_; }

private:
    PracticeSessionStore& store_;
    PracticeMetrics shown_ = PracticeMetrics::zero();
    bool shownOnce_ = false;
    PracticeMetricRow* activeTime_;
    PracticeMetricRow* playedNotes_;
    QWidget* barHolder_;
    PracticeProportionBar* bar_;
    QWidget* breakdownColumn_;
    std::array<PracticeBreakdownRow*, 4> rows_{};
    QWidget* resetHolder_;
    QAbstractButton* reset_;
};

// "Desempenho MIDI": median, 95th percentile and maximum of the live
// notes' delivery latency; the label row shows the sample count in the
// user's own locale. Empty while the controller has no statistics.
class MIDIPerformanceGroup : public InspectorDisclosureGroup {
    Q_OBJECT
public:
    explicit MIDIPerformanceGroup(PracticeSessionStore& store, QWidget* parent = nullptr);

    void refresh();

    PracticeMetricRow& medianRow() const { return *median_; }
    PracticeMetricRow& p95Row() const { return *p95_; }
    PracticeMetricRow& maximumRow() const { return *maximum_; }

private:
    PracticeSessionStore& store_;
    std::optional<MIDILatencyStatistics> shown_;
    QWidget* rowsHolder_;
    PracticeMetricRow* median_;
    PracticeMetricRow* p95_;
    PracticeMetricRow* maximum_;
};

} // namespace corvane
