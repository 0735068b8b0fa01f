#pragma once

#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QTimer>
#include <memory>

#include "CorvaneRendering/StageInputs.hpp"

namespace corvane {

class GLStageRenderer;

// The practice stage on screen. It owns nothing but its inputs and the
// renderer made in its context; on every update it hands the inputs to the
// renderer, which then draws on its own at 60 frames a second from whatever
// was last handed over. Without OpenGL 3.3, or when the stage program does
// not build, it logs why and shows a plain stage.
class GLStageView : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit GLStageView(QWidget* parent = nullptr);
    ~GLStageView() override;

    // QWidget's repaint request stays available beside the input update.
    using QOpenGLWidget::update;
    // The workspace's push: copies the inputs in and queues the impacts not
    // handed over before; loads the photo when its path changed.
    void update(const StageInputs& inputs);

    const StageInputs& inputs() const { return inputs_; }
    // False until the widget is first shown, and for good when the renderer could not be built.
    bool hasRenderer() const { return renderer_ != nullptr; }
    // The view's renderer, for inspection; absent as above.
    const GLStageRenderer* renderer() const { return renderer_.get(); }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    void releaseRenderer();
    void scheduleNextFrame();
    double uptime() const;

    StageInputs inputs_;
    std::unique_ptr<GLStageRenderer> renderer_;
    QTimer frameTimer_;
    QElapsedTimer clock_;
};

} // namespace corvane
