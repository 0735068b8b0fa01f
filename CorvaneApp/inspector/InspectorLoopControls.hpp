#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "CorvaneDomain/UUID.hpp"

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace corvane {

class PracticeLoopBookmark;
class PracticeSessionStore;
class SavedLoopRow;
class StudioChipButton;
class StudioMenuRow;
class StudioStepperRow;
class StudioSwitch;
class StudioTrackSlider;

// The inspector's loop editor: the first and last measure of the selection
// with a slider and a mark-here flag each, the fine adjustment of both
// bounds, and the song's saved loops below. Every edit sets the controller's
// selection and applies it, so it also becomes the active loop. The
// accessory, the "Repetir trecho" switch, goes beside the section's title; a
// section that takes it owns it, else this widget does.
//
// The saved-loop rows are kept by the loop's id and brought up to date in
// place, so a rename in progress survives the controller's refreshes.
class InspectorLoopControls : public QWidget {
    Q_OBJECT
public:
    static constexpr int labelWidth = 84;
    // The fine-adjustment steps offered, in seconds.
    static constexpr double loopNudgeSteps[] = {0.01, 0.05, 0.1, 0.25, 0.5};

    explicit InspectorLoopControls(PracticeSessionStore& store, QWidget* parent = nullptr);
    ~InspectorLoopControls() override;

    // The "Repetir trecho" switch for the section's header; the section takes it.
    QWidget* accessory() const { return accessory_; }
    StudioSwitch& repeatSwitch() const { return *repeatSwitch_; }

    // "Abra uma música para selecionar um trecho.", shown instead of the editor.
    QLabel& emptyText() const { return *emptyText_; }
    QWidget& editor() const { return *editor_; }

    StudioTrackSlider& startSlider() const { return *startSlider_; }
    StudioTrackSlider& endSlider() const { return *endSlider_; }
    StudioChipButton& startMarkButton() const { return *startMark_; }
    StudioChipButton& endMarkButton() const { return *endMark_; }
    QLabel& startMeasureText() const { return *startMeasure_; }
    QLabel& endMeasureText() const { return *endMeasure_; }

    StudioMenuRow& stepRow() const { return *stepRow_; }
    StudioStepperRow& startStepper() const { return *startStepper_; }
    StudioStepperRow& endStepper() const { return *endStepper_; }
    double loopNudgeStepSeconds() const;

    QToolButton& saveButton() const { return *saveButton_; }
    // "Marque um trecho na régua…", shown while the song has no saved loop.
    QLabel& savedEmptyText() const { return *savedEmptyText_; }
    // In the store's order (ascending start measure).
    std::vector<SavedLoopRow*> savedRows() const;
    SavedLoopRow* savedRow(const UUID& id) const;
    // How many rows were ever made; a refresh that only updates makes none.
    std::int64_t rowsCreated() const { return rowsCreated_; }

    // The nudge rule of the two steppers, with a signed amount in seconds.
    void nudgeStart(double delta);
    void nudgeEnd(double delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's steps, in order.
    void buildAccessory();
    void buildMeasureRows(QVBoxLayout* column);
    void buildFineAdjustment(QVBoxLayout* column);
    void buildSavedLoops(QVBoxLayout* column);
    void followController();
    QWidget* measureRow(const QString& title, StudioTrackSlider*& slider, StudioChipButton*& mark, QLabel*& measure,
                        const QString& symbol, const QString& help);
    void sliderEdited(StudioTrackSlider* slider, double value);
    void showAccent();
    void showSwitch();
    void showSelection();
    void showStep();
    void showSaveState();
    void syncSavedRows();
    bool isActive(const PracticeLoopBookmark& bookmark) const;
    void activate(const PracticeLoopBookmark& bookmark);

    PracticeSessionStore& store_;
    QPointer<QWidget> accessory_;
    StudioSwitch* repeatSwitch_ = nullptr;
    QLabel* emptyText_ = nullptr;
    QWidget* editor_ = nullptr;
    StudioTrackSlider* startSlider_ = nullptr;
    StudioTrackSlider* endSlider_ = nullptr;
    StudioChipButton* startMark_ = nullptr;
    StudioChipButton* endMark_ = nullptr;
    QLabel* startMeasure_ = nullptr;
    QLabel* endMeasure_ = nullptr;
    StudioMenuRow* stepRow_ = nullptr;
    StudioStepperRow* startStepper_ = nullptr;
    StudioStepperRow* endStepper_ = nullptr;
    QToolButton* saveButton_ = nullptr;
    QLabel* savedEmptyText_ = nullptr;
    QVBoxLayout* savedColumn_ = nullptr;
    std::map<UUID, SavedLoopRow*> rows_;
    std::vector<UUID> shownOrder_;
    std::int64_t rowsCreated_ = 0;

    // The slider being dragged and the measure its drag last asked for.
    StudioTrackSlider* dragged_ = nullptr;
    std::optional<std::int64_t> lastDragMeasure_;
};

} // namespace corvane
