#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>

#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/workspace/DesktopAccessibility.hpp"
#include "CorvaneDomain/VisualAccessibilityOptions.hpp"

namespace corvane {

class CountInBadge;
class PracticeSessionStore;
class StageWoodRail;
class StudyTimelineView;
class WaitingBadge;
struct WorkspaceStageLink;

// What draws the stage: the OpenGL renderer, or a plain dark area where no
// renderer is built or wanted (views tested without a GPU).
enum class WorkspaceStage { rendered, plain };

// The practice screen: the stage with the wooden rail on its keyboard, the
// count-in and waiting badges over it, and the study timeline docked below.
// Everything shown comes from the controller; the stage gets its inputs at
// most once per turn of the event loop, however many values changed.
class PracticeWorkspaceView : public QWidget {
    Q_OBJECT
public:
    explicit PracticeWorkspaceView(PracticeSessionStore& store, WorkspaceStage stage = WorkspaceStage::rendered,
                                   QWidget* parent = nullptr);
    ~PracticeWorkspaceView() override;

    // Starts finding out, on a worker, whether the platform can draw the
    // rendered stage: the first OpenGL context of the process loads the
    // driver, which holds its thread for long on a software renderer. Main
    // thread; a view made later waits only for what is left of it.
    static void probeStageSupport();

    QWidget& stage() const { return *stage_; }
    StageWoodRail& woodRail() const { return *rail_; }
    CountInBadge& countInBadge() const { return *countIn_; }
    WaitingBadge& waitingBadge() const { return *waiting_; }
    StudyTimelineView& timeline() const { return *timeline_; }
    // Whether the stage is drawn by the renderer.
    bool hasRenderedStage() const;

    QSize minimumSizeHint() const override { return {560, 520}; }

    // The desktop's wishes, handed in by the application: reduce motion makes
    // the badges come and go at once and the beat change without rolling;
    // both go to the stage.
    void setDesktopAccessibility(const DesktopAccessibility& accessibility);
    const DesktopAccessibility& desktopAccessibility() const { return desktopAccessibility_; }
    // What the stage is given: the desktop's wishes and the stored particle setting.
    VisualAccessibilityOptions stageAccessibilityOptions() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOutStage();
    void applyCountIn();
    void applyWaiting();
    void scheduleStageUpdate();
    void pushStageInputs();

    PracticeSessionStore& store_;
    DesktopAccessibility desktopAccessibility_;
    QWidget* stageArea_ = nullptr;
    QWidget* stage_ = nullptr;
    StageWoodRail* rail_ = nullptr;
    CountInBadge* countIn_ = nullptr;
    WaitingBadge* waiting_ = nullptr;
    StudyTimelineView* timeline_ = nullptr;
    std::unique_ptr<WorkspaceStageLink> link_;
    QTimer stageUpdate_;
};

} // namespace corvane
