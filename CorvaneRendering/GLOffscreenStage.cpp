#include "CorvaneRendering/GLOffscreenStage.hpp"

#include "CorvaneRendering/StageMipmapChain.hpp"

#include <QOpenGLFramebufferObject>
#include <cmath>

#include "CorvaneRendering/RendererError.hpp"
#include "CorvaneRendering/StagePhotoDecoder.hpp"

namespace corvane {

GLOffscreenStage::GLOffscreenStage(QSize logicalSize, qreal devicePixelRatio, GLStageRenderer::Options options)
    : logicalSize_(logicalSize),
      pixelSize_(static_cast<int>(std::lround(logicalSize.width() * devicePixelRatio)),
                 static_cast<int>(std::lround(logicalSize.height() * devicePixelRatio)))
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    context_.setFormat(format);
    if (!context_.create()) throw RendererError(RendererError::OpenGLUnavailable{"none"});
    surface_.setFormat(context_.format());
    surface_.create();
    if (!context_.makeCurrent(&surface_)) throw RendererError(RendererError::OpenGLUnavailable{"not current"});
    renderer_ = std::make_unique<GLStageRenderer>(context_, 0.0, std::move(options));
    framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(pixelSize_);
    if (!framebuffer_->isValid()) throw RendererError(RendererError::TextureCreationFailed{"Brelmo Offscreen Frame"});
}

GLOffscreenStage::~GLOffscreenStage()
{
    makeCurrent();
    renderer_.reset();
    framebuffer_.reset();
    context_.doneCurrent();
}

void GLOffscreenStage::makeCurrent() { context_.makeCurrent(&surface_); }

void GLOffscreenStage::push(const StageInputs& inputs)
{
    makeCurrent();
    renderer_->push(inputs);
    // Decoded here and now: the still is drawn with its photo or without.
    const auto wanted = renderer_->backgroundPhotoToDecode();
    if (wanted == attemptedPhoto_) return;
    attemptedPhoto_ = wanted;
    if (!wanted) return;
    if (auto image = StagePhotoDecoder::decode(QString::fromStdString(*wanted), renderer_->backgroundPhotoLongSide()))
        if (renderer_->setBackgroundPhoto(*wanted, stageMipmapChain(*image, true))) attemptedPhoto_.reset();
}

void GLOffscreenStage::drawFrame(double now)
{
    makeCurrent();
    renderer_->draw(framebuffer_->handle(), pixelSize_, QSizeF(logicalSize_), now);
}

QImage GLOffscreenStage::readImage()
{
    makeCurrent();
    return framebuffer_->toImage().convertToFormat(QImage::Format_RGB32);
}

QImage GLOffscreenStage::renderFrame(double now)
{
    drawFrame(now);
    return readImage();
}

} // namespace corvane
