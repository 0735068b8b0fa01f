#include "CorvaneRendering/StageFrameWorker.hpp"

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/RendererError.hpp"
#include "CorvaneRendering/RenderingLog.hpp"
#include "CorvaneRendering/SoftwareRendering.hpp"
#include "CorvaneRendering/StageMipmapChain.hpp"
#include "CorvaneRendering/StagePhotoDecoder.hpp"

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_UNSIGNED_INT_8_8_8_8_REV
#define GL_UNSIGNED_INT_8_8_8_8_REV 0x8367
#endif

namespace corvane {

StageFrameWorker::StageFrameWorker(QOffscreenSurface& surface) : surface_(surface)
{
    clock_.start();
    // A child, so that it moves to the drawing thread with the worker.
    frameTimer_.setParent(this);
    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &StageFrameWorker::drawNextFrame);
}

StageFrameWorker::~StageFrameWorker() = default;

double StageFrameWorker::uptime() const { return static_cast<double>(clock_.nsecsElapsed()) * 1e-9; }

bool StageFrameWorker::makeCurrent() { return context_ && context_->makeCurrent(&surface_); }

void StageFrameWorker::start()
{
    // This thread only hands work to the software rasteriser and waits for it
    // (the view is made where the driver draws in software): it goes below the
    // sound's threads with the rasteriser's, first, so that the threads the
    // driver starts from here are born there.
    lowerThisThreadBelowSound();
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(format);
    if (!context_->create() || !makeCurrent()) {
        context_.reset();
        qCWarning(renderingPerformanceLog, "Stage renderer unavailable, showing a plain stage: no OpenGL context");
        emit rendererFailed(QStringLiteral("no OpenGL context"));
        return;
    }
    const auto* name = context_->functions()->glGetString(GL_RENDERER);
    const QString rendererName = name ? QString::fromLatin1(reinterpret_cast<const char*>(name)) : QString();
    software_ = isSoftwareRenderer(rendererName.toStdString());
    if (software_) lowerSoftwareRasterizerThreads();
    emit rendererFound(rendererName, software_);
    try {
        // Built whole here: this thread holds up nothing else, and the view shows a plain stage meanwhile.
        renderer_ = std::make_unique<GLStageRenderer>(*context_, uptime());
        renderer_->setRenderScale(renderScale_);
        renderer_->push(inputs_);
    } catch (const RendererError& error) {
        renderer_.reset();
        qCWarning(renderingPerformanceLog, "Stage renderer unavailable, showing a plain stage: %s", error.what());
        emit rendererFailed(QString::fromUtf8(error.what()));
        context_->doneCurrent();
        return;
    }
    context_->doneCurrent();
    emit rendererReady();
    requestBackgroundPhoto();
    scheduleNextFrame();
}

void StageFrameWorker::stop()
{
    frameTimer_.stop();
    if (makeCurrent()) {
        renderer_.reset();
        framebuffer_.reset();
        context_->doneCurrent();
    }
    context_.reset();
}

void StageFrameWorker::push(const StageInputs& inputs)
{
    inputs_ = inputs;
    if (!renderer_ || !makeCurrent()) return;
    // A changed photo drops its texture, which needs the context.
    renderer_->push(inputs_);
    context_->doneCurrent();
    requestBackgroundPhoto();
}

void StageFrameWorker::setTarget(QSize pixels, QSizeF logical)
{
    pixels_ = pixels;
    logical_ = logical;
    scheduleNextFrame();
}

void StageFrameWorker::setOnScreen(bool onScreen)
{
    onScreen_ = onScreen;
    if (!onScreen_) frameTimer_.stop();
    else scheduleNextFrame();
}

void StageFrameWorker::setFrameRate(int framesPerSecond) { frameRate_ = std::max(1, framesPerSecond); }

void StageFrameWorker::setRenderScale(double scale)
{
    renderScale_ = scale;
    if (renderer_) renderer_->setRenderScale(scale);
}

void StageFrameWorker::frameTaken()
{
    awaitingTake_ = false;
    scheduleNextFrame();
}

// A phone photo takes long to decode: on the pool, while the frames go on.
void StageFrameWorker::requestBackgroundPhoto()
{
    const auto wanted = renderer_->backgroundPhotoToDecode();
    if (wanted == photoRequested_) return;
    photoRequested_ = wanted;
    if (!wanted) return;
    const int longSide = renderer_->backgroundPhotoLongSide();
    QPointer<StageFrameWorker> guard(this);
    QThreadPool::globalInstance()->start([guard, path = *wanted, longSide] {
        const auto image = StagePhotoDecoder::decode(QString::fromStdString(path), longSide);
        // Empty when the photo could not be decoded.
        auto levels = image ? stageMipmapChain(*image, true) : std::vector<QImage>{};
        if (!guard) return;
        QMetaObject::invokeMethod(
            guard,
            [guard, path, levels = std::move(levels)] {
                if (guard) guard->takeBackgroundPhoto(path, levels);
            },
            Qt::QueuedConnection);
    });
}

void StageFrameWorker::takeBackgroundPhoto(const std::string& path, const std::vector<QImage>& levels)
{
    if (!renderer_ || photoRequested_ != path) return;
    bool shown = false;
    if (!levels.empty() && makeCurrent()) {
        shown = renderer_->setBackgroundPhoto(path, levels);
        context_->doneCurrent();
    }
    if (!shown) {
        qCWarning(renderingPerformanceLog, "Stage background photo %s could not be decoded", path.c_str());
        emit backgroundPhotoFailed(QString::fromStdString(path));
        return;
    }
    // Decoded: a later failure of the same path is a new request.
    photoRequested_.reset();
}

void StageFrameWorker::scheduleNextFrame()
{
    if (!renderer_ || !onScreen_ || awaitingTake_ || pixels_.isEmpty() || frameTimer_.isActive()) return;
    // At the next tick of the worker's own clock, so that the rate holds on average.
    const double frameInterval = 1.0 / frameRate_;
    const double now = uptime();
    const double next = (std::floor(now / frameInterval) + 1) * frameInterval;
    frameTimer_.start(static_cast<int>(std::max(0.0, std::round((next - now) * 1000))));
}

void StageFrameWorker::drawNextFrame()
{
    if (!renderer_ || !onScreen_ || awaitingTake_ || pixels_.isEmpty()) return;
    QImage frame = drawInto(freeBuffer());
    if (frame.isNull()) return;
    awaitingTake_ = true;
    emit frameReady(frame);
}

QImage StageFrameWorker::drawNow()
{
    if (!renderer_ || pixels_.isEmpty()) return {};
    QImage image(pixels_, QImage::Format_RGB32);
    return drawInto(image);
}

// The buffer the view no longer holds; a new one the first times, or when it holds both.
QImage& StageFrameWorker::freeBuffer()
{
    for (auto& buffer : buffers_)
        if (buffer.size() == pixels_ && buffer.isDetached()) return buffer;
    auto& oldest = buffers_[buffers_[0].isDetached() ? 0 : 1];
    oldest = QImage(pixels_, QImage::Format_RGB32);
    return oldest;
}

QImage StageFrameWorker::drawInto(QImage& image)
{
    if (!makeCurrent()) return {};
    if (!framebuffer_ || framebuffer_->size() != pixels_) {
        framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(pixels_);
        if (!framebuffer_->isValid()) {
            framebuffer_.reset();
            context_->doneCurrent();
            return {};
        }
        renderer_->logDrawableSizeIfNeeded(pixels_);
    }
    if (image.size() != pixels_ || image.format() != QImage::Format_RGB32) image = QImage(pixels_, QImage::Format_RGB32);
    renderer_->draw(framebuffer_->handle(), pixels_, logical_, uptime());
    auto* gl = context_->functions();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_->handle());
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Blue, green, red, alpha in memory: the picture's own layout, read with no conversion.
    gl->glReadPixels(0, 0, pixels_.width(), pixels_.height(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image.bits());
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    context_->doneCurrent();
    // OpenGL's rows run from the bottom up.
    const qsizetype rowBytes = image.bytesPerLine();
    row_.resize(static_cast<std::size_t>(rowBytes));
    auto& row = row_;
    for (int top = 0, bottom = image.height() - 1; top < bottom; ++top, --bottom) {
        std::memcpy(row.data(), image.scanLine(top), row.size());
        std::memcpy(image.scanLine(top), image.constScanLine(bottom), row.size());
        std::memcpy(image.scanLine(bottom), row.data(), row.size());
    }
    return image;
}

void StageFrameWorker::inspect(const std::function<void(const GLStageRenderer&)>& look)
{
    if (!renderer_ || !makeCurrent()) return;
    look(*renderer_);
    context_->doneCurrent();
}

} // namespace corvane
