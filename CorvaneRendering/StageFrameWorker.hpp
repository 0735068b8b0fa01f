#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QSizeF>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneRendering/StageInputs.hpp"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

namespace corvane {

class GLStageRenderer;

// Draws the stage on a thread of its own, into a framebuffer of its own, and
// hands each frame over as an image: where the driver draws in software, the
// window's thread then only copies the picture, and never waits for the
// rasteriser, builds a program or compiles a shader. Lives on that thread;
// every call but the constructor is made there (queued, or blocking where
// the caller needs the answer).
class StageFrameWorker : public QObject {
    Q_OBJECT

public:
    // `surface` is made on the window's thread and outlives the worker.
    explicit StageFrameWorker(QOffscreenSurface& surface);
    ~StageFrameWorker() override;

    // Makes the context and the renderer, then draws while on screen.
    void start();
    // Releases everything made in the context; last before the thread ends.
    void stop();

    void push(const StageInputs& inputs);
    // The view's size in pixels and in points.
    void setTarget(QSize pixels, QSizeF logical);
    void setOnScreen(bool onScreen);
    void setFrameRate(int framesPerSecond);
    void setRenderScale(double scale);
    // The view took the last frame: the next may come.
    void frameTaken();

    // A frame drawn now, whether or not one is awaited; null without a renderer.
    QImage drawNow();
    // Runs `look` with the renderer, when there is one, in its context.
    void inspect(const std::function<void(const GLStageRenderer&)>& look);

signals:
    // The driver's name, and whether it draws in software: once, when the context is made.
    void rendererFound(const QString& name, bool software);
    // The renderer is built: frames follow.
    void rendererReady();
    // No context or no renderer: the view stays plain.
    void rendererFailed(const QString& why);
    void frameReady(const QImage& frame);
    void backgroundPhotoFailed(const QString& path);

private:
    double uptime() const;
    bool makeCurrent();
    void requestBackgroundPhoto();
    void takeBackgroundPhoto(const std::string& path, const std::vector<QImage>& levels);
    void scheduleNextFrame();
    void drawNextFrame();
    QImage drawInto(QImage& image);
    QImage& freeBuffer();

    QOffscreenSurface& surface_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLFramebufferObject> framebuffer_;
    std::unique_ptr<GLStageRenderer> renderer_;
    QElapsedTimer clock_;
    QTimer frameTimer_;
    StageInputs inputs_;
    std::optional<std::string> photoRequested_;
    QSize pixels_;
    QSizeF logical_;
    bool onScreen_ = false;
    bool awaitingTake_ = false;
    bool software_ = false;
    int frameRate_ = 60;
    double renderScale_ = 1.0;
    // Two pictures in turn: the one the view shows and the one drawn next,
    // so that no frame needs fresh memory.
    std::array<QImage, 2> buffers_;
    std::vector<uchar> row_; // one row, for turning the picture the right way up
};

} // namespace corvane
