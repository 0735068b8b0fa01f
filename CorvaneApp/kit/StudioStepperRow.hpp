#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <functional>

#include "CorvaneApp/kit/internal/StudioAdjustable.hpp"

class QLabel;

namespace corvane {

class StudioFieldLabel;

// One half of the row's stepper: a small arrow button that repeats while held.
class StudioStepButton : public QAbstractButton {
    Q_OBJECT
public:
    StudioStepButton(bool up, QWidget* parent = nullptr);
    bool isUp() const { return up_; }
    QSize sizeHint() const override { return {13, 11}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool up_;
};

// A row that nudges a value it does not hold: the title in a column of
// `labelWidth`, the caller's read-out, and a stepper whose arrows call
// `onNudge(step)` and `onNudge(-step)`. The row never changes its read-out;
// the caller answers a nudge with setReadout. For assistive technology the
// row is one adjustable element named by the title, valued by the read-out.
class StudioStepperRow : public QWidget, public StudioAdjustable {
    Q_OBJECT
public:
    StudioStepperRow(const QString& title, const QString& readout, double step, double labelWidth,
                     std::function<void(double)> onNudge, QWidget* parent = nullptr);

    const QString& title() const { return titleText_; }
    QString readout() const;
    void setReadout(const QString& readout);
    double step() const { return step_; }
    void setOnNudge(std::function<void(double)> onNudge) { onNudge_ = std::move(onNudge); }

    StudioFieldLabel* titleLabel() const { return title_; }
    QLabel* readoutLabel() const { return readout_; }
    StudioStepButton* incrementButton() const { return up_; }
    StudioStepButton* decrementButton() const { return down_; }

    QString accessibleValueText() const override { return readout(); }
    void accessibleIncrement() override { nudge(step_); }
    void accessibleDecrement() override { nudge(-step_); }
    QAccessible::Role accessibleRole() const override { return QAccessible::SpinBox; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void nudge(double amount);

    QString titleText_;
    double step_;
    std::function<void(double)> onNudge_;
    StudioFieldLabel* title_;
    QLabel* readout_;
    StudioStepButton* up_;
    StudioStepButton* down_;
};

} // namespace corvane
