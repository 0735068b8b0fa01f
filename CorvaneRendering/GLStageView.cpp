#include "CorvaneRendering/GLStageView.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPointer>
#include <QThreadPool>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/RendererError.hpp"
#include "CorvaneRendering/RenderingLog.hpp"
#include "CorvaneRendering/StageOnScreen.hpp"
#include "CorvaneRendering/SoftwareRendering.hpp"
#include "CorvaneRendering/StageMipmapChain.hpp"
#include "CorvaneRendering/StagePhotoDecoder.hpp"

namespace corvane {

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
    connect(&frameTimer_, &QTimer::timeout, this, &GLStageView::drawNextFrame);
    programTimer_.setSingleShot(true);
    programTimer_.setInterval(0);
    connect(&programTimer_, &QTimer::timeout, this, &GLStageView::buildNextProgram);
    compositionTimer_.setSingleShot(true);
    compositionTimer_.setTimerType(Qt::PreciseTimer);
    connect(&compositionTimer_, &QTimer::timeout, this, [this] {
        if (watchedWindow_) QCoreApplication::postEvent(watchedWindow_, new QEvent(QEvent::UpdateRequest));
    });
    connect(this, &QOpenGLWidget::frameSwapped, this, &GLStageView::scheduleNextFrame);
}

GLStageView::~GLStageView()
{
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    releaseRenderer();
}

int GLStageView::frameRate() const
{
    return StageFramePolicy::frameRate(drawsInSoftware_, frameRateOverride_);
}

void GLStageView::setFrameRate(int framesPerSecond) { frameRateOverride_ = std::max(1, framesPerSecond); }

double GLStageView::renderScale() const
{
    return StageFramePolicy::renderScale(drawsInSoftware_, renderScaleOverride_);
}

void GLStageView::setRenderScale(double scale)
{
    renderScaleOverride_ = scale;
    if (renderer_) renderer_->setRenderScale(scale);
}

bool GLStageView::isOnScreen() const { return isStageOnScreen(*this); }

void GLStageView::update(const StageInputs& inputs)
{
    inputs_ = inputs;
    if (!renderer_) return;
    // A changed photo drops its texture, which needs the view's context.
    makeCurrent();
    renderer_->push(inputs_);
    doneCurrent();
    requestBackgroundPhoto();
}

// A phone photo takes long to decode: off the main thread, which times the notes.
void GLStageView::requestBackgroundPhoto()
{
    const auto wanted = renderer_->backgroundPhotoToDecode();
    if (wanted == photoRequested_) return;
    photoRequested_ = wanted;
    if (!wanted) return;
    const int longSide = renderer_->backgroundPhotoLongSide();
    QPointer<GLStageView> guard(this);
    QThreadPool::globalInstance()->start([guard, path = *wanted, longSide] {
        const auto image = StagePhotoDecoder::decode(QString::fromStdString(path), longSide);
        // Empty when the photo could not be decoded.
        auto levels = image ? stageMipmapChain(*image, true) : std::vector<QImage>{};
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, path, levels = std::move(levels)]() mutable {
                if (guard) guard->takeBackgroundPhoto(path, std::move(levels));
            },
            Qt::QueuedConnection);
    });
}

void GLStageView::takeBackgroundPhoto(const std::string& path, std::vector<QImage> levels)
{
    if (!renderer_ || photoRequested_ != path) return;
    bool shown = false;
    if (!levels.empty()) {
        makeCurrent();
        shown = renderer_->setBackgroundPhoto(path, levels);
        doneCurrent();
    }
    if (!shown) {
        qCWarning(renderingPerformanceLog, "Stage background photo %s could not be decoded", path.c_str());
        emit backgroundPhotoFailed(QString::fromStdString(path));
        return;
    }
    // Decoded: a later failure of the same path is a new request.
    photoRequested_.reset();
    QOpenGLWidget::update();
}

void GLStageView::initializeGL()
{
    renderer_.reset();
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GLStageView::releaseRenderer,
            Qt::UniqueConnection);
    noteRenderer();
    try {
        GLStageRenderer::Options options;
        options.buildLater = true;
        renderer_ = std::make_unique<GLStageRenderer>(*context(), uptime(), std::move(options));
        renderer_->setRenderScale(renderScale());
        renderer_->push(inputs_);
        photoRequested_.reset();
        requestBackgroundPhoto();
        requestStageImages();
        programTimer_.start();
    } catch (const RendererError& error) {
        qCWarning(renderingPerformanceLog, "Stage renderer unavailable, showing a plain stage: %s", error.what());
    }
}

void GLStageView::requestStageImages()
{
    QPointer<GLStageView> guard(this);
    const GLStageRenderer* renderer = renderer_.get();
    QThreadPool::globalInstance()->start([guard, renderer] {
        auto images = GLStageRenderer::decodeStageImages(std::nullopt);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, renderer, images = std::move(images)] {
                // For the renderer that asked: a new context makes a new one, which asks again.
                if (!guard || guard->renderer_.get() != renderer) return;
                guard->makeCurrent();
                guard->renderer_->setStageImages(images);
                guard->doneCurrent();
                if (guard->renderer_->isReady()) guard->update();
            },
            Qt::QueuedConnection);
    });
}

void GLStageView::buildNextProgram()
{
    if (!renderer_ || !context()) return;
    makeCurrent();
    bool ready = false;
    try {
        ready = renderer_->buildNextProgram();
    } catch (const RendererError& error) {
        qCWarning(renderingPerformanceLog, "Stage renderer unavailable, showing a plain stage: %s", error.what());
        renderer_.reset();
    }
    doneCurrent();
    if (!renderer_) return;
    if (!ready) programTimer_.start();
    else if (renderer_->isReady()) update();
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
    if (renderer_ && renderer_->isReady()) {
        renderer_->draw(defaultFramebufferObject(), pixels, QSizeF(width(), height()), uptime());
        ++framesDrawn_;
        return;
    }
    auto* gl = context()->functions();
    const auto plain = plainStageColor();
    gl->glClearColor(plain[0], plain[1], plain[2], 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
}

void GLStageView::showEvent(QShowEvent* event)
{
    QOpenGLWidget::showEvent(event);
    watchWindow();
}

void GLStageView::hideEvent(QHideEvent* event)
{
    frameTimer_.stop();
    QOpenGLWidget::hideEvent(event);
}

bool GLStageView::eventFilter(QObject* watched, QEvent* event)
{
    // A window coming back from minimised is not always exposed anew (there
    // may be no window manager to unmap it), so the frames restart here too.
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange && isOnScreen()) update();
    if (watched == watchedWindow_ && event->type() == QEvent::UpdateRequest && gateComposition(event)) return true;
    return QOpenGLWidget::eventFilter(watched, event);
}

// True when the window's update request is held back; a request of its
// own is sent at the next slot (the window sends no other while one waits).
bool GLStageView::gateComposition(QEvent*)
{
    if (!drawsInSoftware_) return false;
    const double interval = 1.0 / frameRate();
    const double now = uptime();
    if (lastComposition_ < 0 || now - lastComposition_ >= interval) {
        lastComposition_ = now;
        compositionTimer_.stop();
        return false;
    }
    if (!compositionTimer_.isActive())
        compositionTimer_.start(static_cast<int>(std::ceil((lastComposition_ + interval - now) * 1000)));
    return true;
}

void GLStageView::watchWindow()
{
    QWidget* top = window();
    if (top == this || top == watchedWindow_) return;
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = top;
    top->installEventFilter(this);
}

void GLStageView::noteRenderer()
{
    const auto* name = context()->functions()->glGetString(GL_RENDERER);
    rendererName_ = name ? QString::fromLatin1(reinterpret_cast<const char*>(name)) : QString();
    drawsInSoftware_ = isSoftwareRenderer(rendererName_.toStdString());
    if (!drawsInSoftware_) return;
    const int lowered = lowerSoftwareRasterizerThreads();
    static std::atomic<bool> logged = false;
    if (logged.exchange(true)) return;
    qCDebug(renderingPerformanceLog, "%d rasteriser threads put below the sound's threads (SCHED_BATCH, niceness %d)",
            lowered, softwareRasterizerNiceness);
    const char* threads = std::getenv(softwareRasterizerThreadsVariable);
    qCInfo(renderingPerformanceLog,
           "Stage drawn in software by %s, at %d frames a second and %d%% of its pixels' size with %s rasteriser threads",
           qPrintable(rendererName_), frameRate(), static_cast<int>(std::lround(renderScale() * 100)),
           threads && *threads ? threads : "the driver's default");
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
    if (!renderer_ || !renderer_->isReady() || !isOnScreen()) return;
    // Wake at the next tick of the view's own clock, so that the rate holds on average.
    const double frameInterval = 1.0 / frameRate();
    const double now = uptime();
    const double next = (std::floor(now / frameInterval) + 1) * frameInterval;
    frameTimer_.start(static_cast<int>(std::max(0.0, std::round((next - now) * 1000))));
}

void GLStageView::drawNextFrame()
{
    if (isOnScreen()) update();
}

double GLStageView::uptime() const { return static_cast<double>(clock_.nsecsElapsed()) * 1e-9; }

} // namespace corvane
