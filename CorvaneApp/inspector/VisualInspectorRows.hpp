#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

#include "CorvaneApp/kit/style/StudioValueFormat.hpp"
#include "CorvaneDomain/RawValueEnum.hpp"
#include "CorvaneDomain/VisualPreset.hpp"
#include "CorvaneDomain/VisualPresetLabels.hpp"

class QVBoxLayout;
class QWidget;

namespace corvane {

class PracticeSessionStore;
class StudioColorRow;
class StudioMenuRow;
class StudioParameterRow;
class StudioSwitch;

// The label column of every parameter row of the visual page.
inline constexpr double visualLabelWidth = 84;
// The widest value a menu row of the visual page shows before its ellipsis.
inline constexpr double visualMenuValueWidth = 150;

// The rows of one category of the visual page, each tied to one field of the
// controller's look. A row shows its field again whenever the look changes
// (without writing), and an edit writes that field alone: the whole look is
// read, the one field changed and the look handed back to the controller,
// which publishes only a look that differs. Values outside a row's range are
// shown held to it and stay stored as they are until the user moves the row.
class VisualPresetRows : public QObject {
    Q_OBJECT
public:
    explicit VisualPresetRows(PracticeSessionStore& store, QObject* parent = nullptr);

    PracticeSessionStore& store() const { return store_; }

    // A parameter row with the read-out of two fraction digits.
    StudioParameterRow* stepper(const QString& title, double VisualPreset::*field, double lower, double upper,
                                double step);
    StudioParameterRow* parameter(const QString& title, double VisualPreset::*field, double lower, double upper,
                                  double step, StudioValueFormat format);
    // Whole numbers over lower...upper, one ladder cell each.
    StudioParameterRow* integer(const QString& title, std::int64_t VisualPreset::*field, std::int64_t lower,
                                std::int64_t upper);
    // A switch with a field label before it; the row, whose `toggle` is the switch.
    QWidget* toggle(const QString& title, bool VisualPreset::*field, StudioSwitch** toggle = nullptr);
    StudioColorRow* color(const QString& title, double VisualPreset::*hue, double VisualPreset::*saturation,
                          double VisualPreset::*brightness);

    // A menu row over `choices` (in menu order): the value shows the label of
    // `current`'s answer, and the item at an index hands that index to `choose`.
    StudioMenuRow* menu(const QString& title, QStringList choices, std::function<int(const VisualPreset&)> current,
                        std::function<void(VisualPreset&, int)> choose);

    // A menu row over every case of an enumeration field, with its labels.
    template <LocalizedEnumeration E> StudioMenuRow* enumeration(const QString& title, E VisualPreset::*field)
    {
        static constexpr auto cases = allCases<E>();
        QStringList labels;
        for (E value : cases) labels << QString::fromUtf8(localizedTitle(value));
        return menu(
            title, labels,
            [field](const VisualPreset& preset) {
                for (std::size_t i = 0; i < cases.size(); ++i)
                    if (cases[i] == preset.*field) return int(i);
                return -1;
            },
            [field](VisualPreset& preset, int index) { preset.*field = cases[std::size_t(index)]; });
    }

    // The page's one blend-mode menu: all 22 stage modes.
    StudioMenuRow* blendModePicker(const QString& title, VisualBlendMode VisualPreset::*selection)
    {
        return enumeration(title, selection);
    }

    // Shows a row made elsewhere from the look, with the others.
    void onShow(std::function<void(const VisualPreset&)> show);
    // Reads the look, applies `change` and hands the look back.
    void edit(const std::function<void(VisualPreset&)>& change);
    // Every row shows the look as it is now.
    void showAll();

    // The rows made here, in the order they were made.
    const std::vector<StudioParameterRow*>& parameterRows() const { return parameterRows_; }
    const std::vector<StudioMenuRow*>& menuRows() const { return menuRows_; }

private:
    PracticeSessionStore& store_;
    std::vector<std::function<void(const VisualPreset&)>> shows_;
    std::vector<StudioParameterRow*> parameterRows_;
    std::vector<StudioMenuRow*> menuRows_;
};

// A category's content: titled sections, one under the other, with a
// divider between two of them.
class VisualCategoryColumn {
public:
    explicit VisualCategoryColumn(QWidget* owner);
    // Takes over `rows` (a widget with a vertical stack of rows, see `rowStack`).
    void addSection(const QString& title, QWidget* rows);
    // A widget whose vertical stack holds rows 10 apart.
    static QWidget* rowStack(QVBoxLayout*& stack);

private:
    QVBoxLayout* column_;
    int sections_ = 0;
};

// A thin rule across the column.
QWidget* visualDivider(QWidget* parent = nullptr);

// `value` held to lower...upper for display; a value that is not a number is left as it is.
double visualShownValue(double value, double lower, double upper);

} // namespace corvane
