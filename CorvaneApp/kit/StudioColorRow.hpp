#pragma once

#include <optional>

#include "CorvaneApp/kit/internal/StudioActionRow.hpp"
#include "CorvaneApp/kit/style/StudioValueFormat.hpp"

namespace corvane {

class ColorSpectrumPicker;
class StudioColorSwatch;

// A titled row showing a colour's swatch (26 × 20); a click opens the
// colour picker beside the swatch, and another click on the row closes it.
// The values live with the caller: every edit in the picker is asked for
// through the value's own signal, and the swatch follows it at once.
class StudioColorRow : public StudioActionRow {
    Q_OBJECT
public:
    StudioColorRow(const QString& title, double hue, double saturation, double brightness,
                   std::optional<double> opacity = std::nullopt,
                   StudioValueFormat opacityFormat = StudioValueFormat::percent(), QWidget* parent = nullptr);

    double hue() const { return hue_; }
    double saturation() const { return saturation_; }
    double brightness() const { return brightness_; }
    std::optional<double> opacity() const { return opacity_; }
    // Show the caller's values; no signal. An opacity is shown only by a
    // row made with one.
    void setHue(double hue);
    void setSaturation(double saturation);
    void setBrightness(double brightness);
    void setOpacity(double opacity);

    StudioColorSwatch* swatch() const { return swatch_; }
    ColorSpectrumPicker* picker() const { return picker_; }
    // The pop-up window holding the picker.
    QWidget* popover() const { return popover_; }
    bool isPickerPresented() const;
    void togglePicker();

signals:
    void hueEdited(double hue);
    void saturationEdited(double saturation);
    void brightnessEdited(double brightness);
    void opacityEdited(double opacity);

private:
    void showSwatch();
    void presentPicker();

    double hue_;
    double saturation_;
    double brightness_;
    std::optional<double> opacity_;
    StudioColorSwatch* swatch_;
    ColorSpectrumPicker* picker_;
    QWidget* popover_;
};

} // namespace corvane
