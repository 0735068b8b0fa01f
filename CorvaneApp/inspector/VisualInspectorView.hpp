#pragma once

#include <QColor>
#include <QWidget>

#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "CorvaneDomain/RawValueEnum.hpp"

namespace corvane {

class PracticeInspectorTab;
class PracticeSessionStore;
class StudioSegmentedPicker;
class VisualEffectsInspectorTab;

// The inspector's pages, in the order of their segments.
enum class InspectorPage { practice, visual };

template <> struct RawValues<InspectorPage> {
    static constexpr std::array<std::pair<InspectorPage, std::string_view>, 2> cases{{
        {InspectorPage::practice, "practice"},
        {InspectorPage::visual, "visual"},
    }};
};

// The inspector panel at the right of the main window: a switch between the
// "Prática" page and the "Visual" page above the page chosen. It starts on
// "Prática". The page not shown does not exist: each choice makes its page
// anew, so the visual page comes back on "Cor" and the first track. The
// panel and everything in it take the note colour of the controller's look
// as their accent, at once whenever the look changes.
class VisualInspectorView : public QWidget {
    Q_OBJECT
public:
    // openInstrumentEditor opens the plugin's editor window (the window layer's to do).
    VisualInspectorView(PracticeSessionStore& store, std::function<void()> openInstrumentEditor = {},
                        QWidget* parent = nullptr);

    InspectorPage page() const { return page_; }
    void setPage(InspectorPage page);

    StudioSegmentedPicker& pagePicker() const { return *picker_; }
    // The page shown; the other one is null.
    PracticeInspectorTab* practicePage() const { return practicePage_; }
    VisualEffectsInspectorTab* visualPage() const { return visualPage_; }
    QWidget* pageView() const;

    // The look's note colour at full opacity.
    QColor accent() const;

private:
    void showPage();
    void applyAccent();

    PracticeSessionStore& store_;
    std::function<void()> openInstrumentEditor_;
    InspectorPage page_ = InspectorPage::practice;
    StudioSegmentedPicker* picker_;
    PracticeInspectorTab* practicePage_ = nullptr;
    VisualEffectsInspectorTab* visualPage_ = nullptr;
};

} // namespace corvane
