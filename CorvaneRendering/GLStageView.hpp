#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QOpenGLWidget>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>
#include <string>

#include "CorvaneRendering/StageFramePolicy.hpp"
#include "CorvaneRendering/StageInputs.hpp"

namespace corvane {

class GLStageRenderer;

// The practice stage on screen. It owns nothing but its inputs and the
// renderer made in its context; on every update it hands the inputs to the
// renderer, which then draws on its own at 60 frames a second from whatever
// was last handed over; at 30 when the driver draws in software, where every
// frame costs processor time the audio thread needs. It draws nothing while
// it is hidden or its window minimised. Without OpenGL 3.3, or when the stage
// program does not build, it logs why and shows a plain stage.
class GLStageView : public QOpenGLWidget {
    Q_OBJECT

public:
    static constexpr int hardwareFrameRate = StageFramePolicy::hardwareFrameRate;
    static constexpr int softwareFrameRate = StageFramePolicy::softwareFrameRate;
    // In software the frame is drawn at this fraction of the view's pixels
    // and scaled up: the rasteriser's time follows the pixel count, and that
    // time holds the main thread, which also times the notes.
    static constexpr double softwareRenderScale = StageFramePolicy::softwareRenderScale;

    explicit GLStageView(QWidget* parent = nullptr);
    ~GLStageView() override;

    // QWidget's repaint request stays available beside the input update.
    using QOpenGLWidget::update;
    // The workspace's push: copies the inputs in and queues the impacts not
    // handed over before. A new photo is decoded on a worker thread and drawn
    // once it is ready.
    void update(const StageInputs& inputs);

    const StageInputs& inputs() const { return inputs_; }
    // False until the widget is first shown, and for good when the renderer could not be built.
    bool hasRenderer() const { return renderer_ != nullptr; }
    // The view's renderer, for inspection; absent as above.
    const GLStageRenderer* renderer() const { return renderer_.get(); }

    // The driver's renderer name (GL_RENDERER) once the context is made, and
    // whether that is a software rasteriser.
    const QString& rendererName() const { return rendererName_; }
    bool drawsInSoftware() const { return drawsInSoftware_; }
    // Frames a second the view draws at while on screen: chosen by the
    // renderer found, unless set here (the benchmarks compare rates).
    int frameRate() const;
    void setFrameRate(int framesPerSecond);
    // The fraction of the view's pixels a frame is drawn at: chosen by the
    // renderer found, unless set here (the benchmarks compare them).
    double renderScale() const;
    void setRenderScale(double scale);
    // Shown, in a window that is neither minimised nor unmapped (no longer
    // exposed); the frames stop otherwise and start again when it returns.
    bool isOnScreen() const;
    // Frames the renderer has drawn. (QOpenGLWidget::frameSwapped also comes
    // when only the window's other widgets were repainted.)
    std::uint64_t framesDrawn() const { return framesDrawn_; }

signals:
    // The photo the inputs name could not be decoded (damaged, or too large
    // to decode within bounds) or uploaded: the stage draws none.
    void backgroundPhotoFailed(const QString& path);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void releaseRenderer();
    void requestBackgroundPhoto();
    void takeBackgroundPhoto(const std::string& path, std::vector<QImage> levels);
    void noteRenderer();
    void scheduleNextFrame();
    void drawNextFrame();
    void buildNextProgram();
    void requestStageImages();
    void watchWindow();
    double uptime() const;

    StageInputs inputs_;
    std::optional<std::string> photoRequested_; // the photo being decoded, or whose decode failed
    std::unique_ptr<GLStageRenderer> renderer_;
    QTimer frameTimer_;
    // Builds the renderer's programs one per turn of the event loop, while
    // its images are decoded on a worker; the stage stays plain until both are done.
    QTimer programTimer_;
    // In software the window is put together at most at the frame rate: each
    // composition redraws the whole window through the rasteriser, whichever
    // widget asked for it (the deck's playhead and odometer ask many times a
    // second). Requests in between wait for the next slot, together.
    QTimer compositionTimer_;
    double lastComposition_ = -1;
    bool gateComposition(QEvent* event);
    QElapsedTimer clock_;
    QString rendererName_;
    bool drawsInSoftware_ = false;
    std::optional<int> frameRateOverride_;
    std::optional<double> renderScaleOverride_;
    std::uint64_t framesDrawn_ = 0;
    QPointer<QWidget> watchedWindow_; // the top-level whose minimising stops the frames
};

} // namespace corvane
