#pragma once

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSize>
#include <memory>
#include <optional>
#include <string>

#include "CorvaneRendering/GLStageRenderer.hpp"

class QOpenGLFramebufferObject;

namespace corvane {

// The stage drawn without a window, into a framebuffer of its own: for tests,
// benchmarks and still images. Needs a QGuiApplication on a platform with OpenGL.
class GLOffscreenStage {
public:
    // Throws RendererError when no OpenGL 3.3 core context can be made or the renderer cannot be built.
    explicit GLOffscreenStage(QSize logicalSize, qreal devicePixelRatio = 1.0,
                              GLStageRenderer::Options options = GLStageRenderer::Options{});
    ~GLOffscreenStage();
    GLOffscreenStage(const GLOffscreenStage&) = delete;
    GLOffscreenStage& operator=(const GLOffscreenStage&) = delete;

    // Decodes a new photo before it returns.
    void push(const StageInputs& inputs);
    // One frame at `now` seconds, left in the framebuffer.
    void drawFrame(double now);
    // The framebuffer as an image, top row first.
    QImage readImage();
    QImage renderFrame(double now);

    QSize pixelSize() const { return pixelSize_; }
    GLStageRenderer& renderer() { return *renderer_; }
    QOpenGLContext& context() { return context_; }
    void makeCurrent();

private:
    QSize logicalSize_;
    QSize pixelSize_;
    QOffscreenSurface surface_;
    QOpenGLContext context_;
    std::unique_ptr<QOpenGLFramebufferObject> framebuffer_;
    std::unique_ptr<GLStageRenderer> renderer_;
    std::optional<std::string> attemptedPhoto_;
};

} // namespace corvane
