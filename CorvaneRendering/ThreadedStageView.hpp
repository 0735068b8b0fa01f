#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "CorvaneRendering/StageFramePolicy.hpp"
#include "CorvaneRendering/StageInputs.hpp"

class QOffscreenSurface;

namespace corvane {

class GLStageRenderer;
class StageFrameWorker;

// The practice stage where the driver draws in software: drawn on a thread of
// its own and shown as a picture, so that the window is put together by the
// ordinary raster painter and its thread never waits for the rasteriser, nor
// builds a program, nor compiles a shader. At 30 frames a second, each drawn
// at half the view's pixels and scaled up, as GLStageView does in software;
// nothing is drawn while the view is hidden or its window minimised. Without
// OpenGL 3.3, or when the stage program does not build, it logs why and shows
// a plain stage.
class ThreadedStageView : public QWidget {
    Q_OBJECT

public:
    static constexpr int hardwareFrameRate = StageFramePolicy::hardwareFrameRate;
    static constexpr int softwareFrameRate = StageFramePolicy::softwareFrameRate;
    static constexpr double softwareRenderScale = StageFramePolicy::softwareRenderScale;

    explicit ThreadedStageView(QWidget* parent = nullptr);
    ~ThreadedStageView() override;

    using QWidget::update;
    // The workspace's push: handed to the drawing thread, in order.
    void update(const StageInputs& inputs);
    const StageInputs& inputs() const { return inputs_; }

    // True once the renderer is built; false for good when it could not be.
    bool hasRenderer() const { return hasRenderer_; }
    const QString& rendererName() const { return rendererName_; }
    bool drawsInSoftware() const { return drawsInSoftware_; }
    int frameRate() const;
    void setFrameRate(int framesPerSecond);
    double renderScale() const;
    void setRenderScale(double scale);
    bool isOnScreen() const;
    // Frames drawn and shown.
    std::uint64_t framesDrawn() const { return framesDrawn_; }
    // A frame drawn now, at the view's size in pixels; null without a renderer.
    QImage grabFramebuffer();
    // Runs `look` on the drawing thread with the renderer, and waits for it.
    void inspectRenderer(const std::function<void(const GLStageRenderer&)>& look);

signals:
    // The photo the inputs name could not be decoded or uploaded: the stage draws none.
    void backgroundPhotoFailed(const QString& path);
    // A new frame was taken for showing.
    void frameSwapped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeFrame(const QImage& frame);
    void noteRenderer(const QString& name, bool software);
    void sendTarget();
    void sendOnScreen();
    void watchWindow();
    template <class Call> void toWorker(Call call);

    StageInputs inputs_;
    std::unique_ptr<QOffscreenSurface> surface_;
    QThread thread_;
    StageFrameWorker* worker_ = nullptr; // deleted on its thread as the thread ends
    QImage frame_;
    bool hasRenderer_ = false;
    QString rendererName_;
    bool drawsInSoftware_ = false;
    std::optional<int> frameRateOverride_;
    std::optional<double> renderScaleOverride_;
    std::uint64_t framesDrawn_ = 0;
    bool sentOnScreen_ = false;
    QPointer<QWidget> watchedWindow_;
};

} // namespace corvane
