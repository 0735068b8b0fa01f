#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneAudio/instruments/LV2ParameterDescriptor.hpp"

class QComboBox;
class QDoubleSpinBox;

namespace corvane {

class LV2Instrument;
class StudioSwitch;
class StudioTrackSlider;

// The editor an instrument gets when it shows no interface of its own: one
// row for each input control its description does not ask to hide, made
// from the port's description: a switch for a toggle, a menu of the labelled
// values for an enumeration, else a slider (along a logarithmic scale when
// the port asks for one) and an exact number field, which shows the port's
// unit when it declares one ("440 Hz", "-6,0 dB"). Every edit goes straight
// to the plugin; `refresh` shows values changed elsewhere.
//
// The controls are named by the port's symbol: "slider:cutoff",
// "field:cutoff", "switch:…", "menu:…".
class AudioUnitGenericEditor : public QWidget {
    Q_OBJECT
public:
    explicit AudioUnitGenericEditor(LV2Instrument& plugin, QWidget* parent = nullptr);

    // How many rows are shown (ports hidden from hosts are left out).
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // Shows the plugin's present values; no write.
    void refresh();

private:
    struct Row {
        LV2ParameterDescriptor descriptor;
        StudioTrackSlider* slider = nullptr;
        QDoubleSpinBox* field = nullptr;
        StudioSwitch* toggle = nullptr;
        QComboBox* menu = nullptr;
        float shown = 0;
    };

    QWidget* makeControl(Row& row);
    void write(std::size_t index, double value);
    void show(Row& row, float value);

    LV2Instrument& plugin_;
    std::vector<Row> rows_;
    int fieldWidth_ = 96;
};

// Where `value` lies between the bounds, 0...1, on a logarithmic scale when
// `logarithmic` and both bounds are positive; and back. Bounds that are not
// finite count as 0 and 1.
double parameterFraction(const LV2ParameterDescriptor& descriptor, double value);
double parameterValueAtFraction(const LV2ParameterDescriptor& descriptor, double fraction);

// How a port's number is written around its unit: the text before and after
// it, and the decimals when the unit's rendering fixes them. From the
// rendering ("%.1f dB") when it is one this reads, else from the symbol
// (" Hz" after the number); nothing for a port without a unit.
struct ParameterUnitText {
    std::string prefix;
    std::string suffix;
    std::optional<int> decimals;

    bool operator==(const ParameterUnitText&) const = default;
};
ParameterUnitText parameterUnitText(const LV2ParameterDescriptor& descriptor);

} // namespace corvane
