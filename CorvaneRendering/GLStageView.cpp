#include "CorvaneRendering/GLStageView.hpp"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <cmath>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/RendererError.hpp"
#include "CorvaneRendering/RenderingLog.hpp"

namespace corvane {

namespace {

constexpr double frameInterval = 1.0 / 60.0;

float encodedSRGB(float linear)
{
    return linear <= 0.0031308f ? linear * 12.92f : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

} // namespace

GLStageView::GLStageView(QWidget* parent) : QOpenGLWidget(parent)
{
    QSurfaceFormat surface = format();
    surface.setRenderableType(QSurfaceFormat::OpenGL);
    surface.setVersion(3, 3);
    surface.setProfile(QSurfaceFormat::CoreProfile);
    setFormat(surface);
    clock_.start();
    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, qOverload<>(&QOpenGLWidget::update));
    connect(this, &QOpenGLWidget::frameSwapped, this, &GLStageView::scheduleNextFrame);
}

GLStageView::~GLStageView() { releaseRenderer(); }

void GLStageView::update(const StageInputs& inputs)
{
    inputs_ = inputs;
    if (!renderer_) return;
    // The photo may be uploaded, which needs the view's context.
    makeCurrent();
    renderer_->push(inputs_);
    doneCurrent();
}

void GLStageView::initializeGL()
{
    renderer_.reset();
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GLStageView::releaseRenderer,
            Qt::UniqueConnection);
    try {
        renderer_ = std::make_unique<GLStageRenderer>(*context(), uptime());
        renderer_->push(inputs_);
    } catch (const RendererError& error) {
        qCWarning(renderingPerformanceLog, "Stage renderer unavailable, showing a plain stage: %s", error.what());
    }
}

void GLStageView::resizeGL(int width, int height)
{
    if (renderer_) {
        const qreal ratio = devicePixelRatioF();
        renderer_->logDrawableSizeIfNeeded(
            QSize(static_cast<int>(std::lround(width * ratio)), static_cast<int>(std::lround(height * ratio))));
    }
}

void GLStageView::paintGL()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio)));
    if (renderer_) {
        renderer_->draw(defaultFramebufferObject(), pixels, QSizeF(width(), height()), uptime());
        return;
    }
    auto* gl = context()->functions();
    gl->glClearColor(encodedSRGB(GLStageRenderer::clearColor[0]), encodedSRGB(GLStageRenderer::clearColor[1]),
                     encodedSRGB(GLStageRenderer::clearColor[2]), 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
}

void GLStageView::releaseRenderer()
{
    if (!renderer_) return;
    makeCurrent();
    renderer_.reset();
    doneCurrent();
}

void GLStageView::scheduleNextFrame()
{
    if (!renderer_) return;
    // Wake at the next 1/60 s tick of the view's own clock, so that the rate stays at 60 Hz on average.
    const double now = uptime();
    const double next = (std::floor(now / frameInterval) + 1) * frameInterval;
    frameTimer_.start(static_cast<int>(std::max(0.0, std::round((next - now) * 1000))));
}

double GLStageView::uptime() const { return static_cast<double>(clock_.nsecsElapsed()) * 1e-9; }

} // namespace corvane
