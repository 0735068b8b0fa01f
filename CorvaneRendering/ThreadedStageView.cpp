#include "CorvaneRendering/ThreadedStageView.hpp"

#include <QEvent>
#include <QOffscreenSurface>
#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/RenderingLog.hpp"
#include "CorvaneRendering/StageOnScreen.hpp"
#include "CorvaneRendering/SoftwareRendering.hpp"
#include "CorvaneRendering/StageFrameWorker.hpp"

namespace corvane {

ThreadedStageView::ThreadedStageView(QWidget* parent) : QWidget(parent)
{
    // The picture covers the whole view: nothing under it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->setFormat(format);
    surface_->create();

    thread_.setObjectName(QString::fromLatin1(stageDrawingThreadName.data(), qsizetype(stageDrawingThreadName.size())));
    worker_ = new StageFrameWorker(*surface_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &StageFrameWorker::rendererFound, this, &ThreadedStageView::noteRenderer);
    connect(worker_, &StageFrameWorker::rendererReady, this, [this] {
        hasRenderer_ = true;
        sendOnScreen();
    });
    connect(worker_, &StageFrameWorker::frameReady, this, &ThreadedStageView::takeFrame);
    connect(worker_, &StageFrameWorker::backgroundPhotoFailed, this, &ThreadedStageView::backgroundPhotoFailed);
    thread_.start();
    toWorker([](StageFrameWorker& worker) { worker.start(); });
}

ThreadedStageView::~ThreadedStageView()
{
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    // What was made in the context goes with it, on its own thread.
    QMetaObject::invokeMethod(worker_, [worker = worker_] { worker->stop(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

template <class Call> void ThreadedStageView::toWorker(Call call)
{
    QMetaObject::invokeMethod(worker_, [worker = worker_, call = std::move(call)] { call(*worker); },
                              Qt::QueuedConnection);
}

void ThreadedStageView::update(const StageInputs& inputs)
{
    inputs_ = inputs;
    toWorker([inputs](StageFrameWorker& worker) { worker.push(inputs); });
}

int ThreadedStageView::frameRate() const
{
    return StageFramePolicy::frameRate(drawsInSoftware_, frameRateOverride_);
}

void ThreadedStageView::setFrameRate(int framesPerSecond)
{
    frameRateOverride_ = std::max(1, framesPerSecond);
    toWorker([rate = frameRate()](StageFrameWorker& worker) { worker.setFrameRate(rate); });
}

double ThreadedStageView::renderScale() const
{
    return StageFramePolicy::renderScale(drawsInSoftware_, renderScaleOverride_);
}

void ThreadedStageView::setRenderScale(double scale)
{
    renderScaleOverride_ = scale;
    toWorker([scale](StageFrameWorker& worker) { worker.setRenderScale(scale); });
}

void ThreadedStageView::noteRenderer(const QString& name, bool software)
{
    rendererName_ = name;
    drawsInSoftware_ = software;
    toWorker([rate = frameRate(), scale = renderScale()](StageFrameWorker& worker) {
        worker.setFrameRate(rate);
        worker.setRenderScale(scale);
    });
    if (software)
        qCInfo(renderingPerformanceLog,
               "Stage drawn in software by %s on a thread of its own, at %d frames a second and %d%% of its "
               "pixels' size",
               qPrintable(name), frameRate(), static_cast<int>(std::lround(renderScale() * 100)));
}

bool ThreadedStageView::isOnScreen() const { return isStageOnScreen(*this); }

void ThreadedStageView::sendOnScreen()
{
    const bool onScreen = isOnScreen();
    if (onScreen == sentOnScreen_) return;
    sentOnScreen_ = onScreen;
    toWorker([onScreen](StageFrameWorker& worker) { worker.setOnScreen(onScreen); });
}

void ThreadedStageView::sendTarget()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio)));
    toWorker([pixels, logical = QSizeF(size())](StageFrameWorker& worker) { worker.setTarget(pixels, logical); });
}

void ThreadedStageView::takeFrame(const QImage& frame)
{
    frame_ = frame;
    ++framesDrawn_;
    QWidget::update();
    emit frameSwapped();
    // Frames stop while the window is away; they start again with its next paint.
    sendOnScreen();
    toWorker([](StageFrameWorker& worker) { worker.frameTaken(); });
}

void ThreadedStageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (frame_.isNull()) {
        const auto plain = plainStageColor();
        painter.fillRect(rect(), QColor::fromRgbF(plain[0], plain[1], plain[2]));
    }
    else painter.drawImage(rect(), frame_);
    sendOnScreen();
}

void ThreadedStageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    sendTarget();
}

void ThreadedStageView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    watchWindow();
    sendTarget();
    sendOnScreen();
}

void ThreadedStageView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    sendOnScreen();
}

bool ThreadedStageView::eventFilter(QObject* watched, QEvent* event)
{
    // A window coming back from minimised is not always exposed anew (there
    // may be no window manager to unmap it), so the frames restart here too.
    if (watched == watchedWindow_ && (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Hide ||
                                      event->type() == QEvent::Show))
        sendOnScreen();
    return QWidget::eventFilter(watched, event);
}

void ThreadedStageView::watchWindow()
{
    QWidget* top = window();
    if (top == this || top == watchedWindow_) return;
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = top;
    top->installEventFilter(this);
}

QImage ThreadedStageView::grabFramebuffer()
{
    sendTarget();
    QImage image;
    QMetaObject::invokeMethod(worker_, [&image, worker = worker_] { image = worker->drawNow(); },
                              Qt::BlockingQueuedConnection);
    return image;
}

void ThreadedStageView::inspectRenderer(const std::function<void(const GLStageRenderer&)>& look)
{
    QMetaObject::invokeMethod(worker_, [&look, worker = worker_] { worker->inspect(look); },
                              Qt::BlockingQueuedConnection);
}

} // namespace corvane
