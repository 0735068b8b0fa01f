#pragma once

#include <QWidget>

#include <optional>

#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/style/StudioValueFormat.hpp"

class QLabel;

namespace corvane {

class StudioFieldLabel;
class StudioTrackSlider;

// One numeric setting: its title in a label column, a slider (thumb 14,
// track 6, cells 10) and the value's read-out in pt_BR at the right.
// Made for a Double, or through `forInteger` for a whole number.
class StudioParameterRow : public QWidget {
    Q_OBJECT
public:
    StudioParameterRow(const QString& title, double value, double lower, double upper, std::optional<double> step,
                       StudioValueFormat format, std::optional<StudioSliderTrack> track = std::nullopt,
                       std::optional<int> discreteCells = std::nullopt, double labelWidth = 84,
                       QWidget* parent = nullptr);

    // A ladder of one cell per whole number between the bounds, step 1,
    // read-out without fraction digits. It writes through `intValueEdited`
    // only: the slider's value rounded half away from zero, held to the range.
    static StudioParameterRow* forInteger(const QString& title, qint64 value, qint64 lower, qint64 upper,
                                          std::optional<StudioSliderTrack> track = std::nullopt,
                                          double labelWidth = 84, QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    double value() const;
    // Shows the caller's value on the slider and in the read-out; no signal.
    void setValue(double value);
    void setIntValue(qint64 value);
    bool isInteger() const { return integerRange_.has_value(); }
    const StudioValueFormat& format() const { return format_; }

    StudioTrackSlider* slider() const { return slider_; }
    StudioFieldLabel* label() const { return label_; }
    QString readoutText() const;
    int readoutWidth() const;

signals:
    void valueEdited(double value);
    void intValueEdited(qint64 value);

private:
    struct IntegerRange {
        qint64 lower;
        qint64 upper;
        qint64 value;
    };

    void showReadout();
    void slid(double value);

    QString title_;
    StudioValueFormat format_;
    std::optional<IntegerRange> integerRange_;
    StudioFieldLabel* label_;
    StudioTrackSlider* slider_;
    QLabel* readout_;
};

// The whole number nearest `value` (halves away from zero) within
// [lower, upper]; nothing when `value` is not a number. An upper bound
// below the lower one leaves only `lower`.
std::optional<qint64> studioRoundedInteger(double value, qint64 lower, qint64 upper);

// upper − lower as a cell count, without overflow: 0 when negative, at most INT_MAX.
int studioIntegerCellCount(qint64 lower, qint64 upper);

} // namespace corvane
