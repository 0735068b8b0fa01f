#pragma once

#include <QWidget>

#include <array>
#include <optional>

#include "CorvaneApp/kit/internal/StudioAdjustable.hpp"
#include "CorvaneApp/kit/style/StudioValueFormat.hpp"

class QLabel;
class QVBoxLayout;

namespace corvane {

class StudioTrackSlider;

// The hue (left to right) and saturation (pale at the top to full at the
// bottom) field of the colour picker, 132 high. A drag anywhere on it
// writes the hue, then the saturation, under the pointer; assistive
// technology turns the hue round the circle in steps of 0.02.
class ColorSpectrumField : public QWidget, public StudioAdjustable {
    Q_OBJECT
public:
    explicit ColorSpectrumField(QWidget* parent = nullptr);

    double hue() const { return hue_; }
    double saturation() const { return saturation_; }
    // Show the caller's values; no signal.
    void setHue(double hue);
    void setSaturation(double saturation);

    // Where the marker's centre is drawn: on the value, but never closer
    // than 7 to an edge, so the whole marker stays inside.
    QPointF markerCentre() const;

    QString accessibleValueText() const override;
    void accessibleIncrement() override;
    void accessibleDecrement() override;

signals:
    void hueEdited(double hue);
    void saturationEdited(double saturation);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void dragTo(QPointF point);
    void turnHue(double by);
    void writeHue(double hue);
    void writeSaturation(double saturation);

    double hue_ = 0;
    double saturation_ = 0;
    bool dragging_ = false;
};

class ColorSpectrumLargeSwatch;

// A colour picked as hue, saturation and brightness, and an opacity when
// one is given: an optional title, the spectrum field, a large swatch and
// one slider row for each value ("H", "S", "B", "A"). The values live with
// the caller: every edit is asked for through the value's own signal, and
// the picker shows it at once.
class ColorSpectrumPicker : public QWidget {
    Q_OBJECT
public:
    enum class Channel { hue, saturation, brightness, opacity };

    ColorSpectrumPicker(double hue, double saturation, double brightness,
                        std::optional<double> opacity = std::nullopt,
                        StudioValueFormat opacityFormat = StudioValueFormat::percent(),
                        std::optional<QString> title = std::nullopt, bool showsSpectrumField = true,
                        QWidget* parent = nullptr);

    double hue() const { return hue_; }
    double saturation() const { return saturation_; }
    double brightness() const { return brightness_; }
    std::optional<double> opacity() const { return opacity_; }
    const StudioValueFormat& opacityFormat() const { return opacityFormat_; }
    // Show the caller's values; no signal. An opacity is shown only by a
    // picker made with one.
    void setHue(double hue);
    void setSaturation(double saturation);
    void setBrightness(double brightness);
    void setOpacity(double opacity);

    // The picked colour, fully opaque.
    QColor color() const;

    // Absent when the picker was made without the field.
    ColorSpectrumField* field() const { return field_; }
    // Absent for the opacity of a picker without one.
    StudioTrackSlider* slider(Channel channel) const;
    QString readoutText(Channel channel) const;
    int rowCount() const;
    QColor largeSwatchColor() const;

signals:
    void hueEdited(double hue);
    void saturationEdited(double saturation);
    void brightnessEdited(double brightness);
    void opacityEdited(double opacity);

private:
    struct Row {
        StudioTrackSlider* slider = nullptr;
        QLabel* readout = nullptr;
    };

    Row makeRow(const QString& letter, std::optional<double> step, int readoutWidth, QVBoxLayout* rows);
    void refresh();

    double hue_;
    double saturation_;
    double brightness_;
    std::optional<double> opacity_;
    StudioValueFormat opacityFormat_;
    ColorSpectrumField* field_ = nullptr;
    ColorSpectrumLargeSwatch* swatch_ = nullptr;
    std::array<Row, 4> rows_{};
};

} // namespace corvane
