#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "CorvaneDomain/RawValueEnum.hpp"

class QScrollArea;
class QVBoxLayout;

namespace corvane {

class PracticeSessionStore;
class StudioSegmentedPicker;

// The visual page's categories, in the order of their segments.
enum class VisualInspectorCategory { color, particles, environment, background };

template <> struct RawValues<VisualInspectorCategory> {
    using E = VisualInspectorCategory;
    static constexpr std::array<std::pair<E, std::string_view>, 4> cases{{
        {E::color, "color"},
        {E::particles, "particles"},
        {E::environment, "environment"},
        {E::background, "background"},
    }};
};

// The segment title of a category: "Cor", "Partículas", "Ambiente", "Fundo".
QString visualInspectorCategoryTitle(VisualInspectorCategory category);

// The inspector's "Visual" page: a switch over four categories above a
// column that scrolls without bars, holding the chosen category's sections.
// Every row writes one field of the controller's look at once; the page
// keeps nothing but which category it shows and which track the palette
// edits. A category not shown does not exist: it is made anew when chosen.
class VisualEffectsInspectorTab : public QWidget {
    Q_OBJECT
public:
    explicit VisualEffectsInspectorTab(PracticeSessionStore& store, QWidget* parent = nullptr);

    VisualInspectorCategory category() const { return category_; }
    void setCategory(VisualInspectorCategory category);
    // The track whose colour "Cor" edits; kept across categories.
    std::int64_t selectedTrackIndex() const { return selectedTrackIndex_; }

    StudioSegmentedPicker& categoryPicker() const { return *picker_; }
    QScrollArea& scrollArea() const { return *scroll_; }
    // The shown category's content: VisualColorControls, VisualParticleControls,
    // VisualEnvironmentControls or VisualBackgroundInspectorView.
    QWidget* content() const { return content_; }

private:
    void showCategory();

    PracticeSessionStore& store_;
    VisualInspectorCategory category_ = VisualInspectorCategory::color;
    std::int64_t selectedTrackIndex_ = 0;
    StudioSegmentedPicker* picker_;
    QScrollArea* scroll_;
    QVBoxLayout* column_ = nullptr;
    QWidget* content_ = nullptr;
};

} // namespace corvane
