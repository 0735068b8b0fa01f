#include "CorvaneRendering/GLStageRenderer.hpp"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <algorithm>
#include <cmath>

#include "CorvaneRendering/GLInstanceBuffer.hpp"
#include "CorvaneRendering/GLRenderTarget.hpp"
#include "CorvaneRendering/RendererError.hpp"
#include "CorvaneRendering/RenderingLog.hpp"
#include "CorvaneRendering/StageImageTexture.hpp"
#include "CorvaneRendering/StageMipmapChain.hpp"
#include "CorvaneRendering/StagePhotoDecoder.hpp"
#include "CorvaneRendering/StageProgram.hpp"
#include "CorvaneRendering/StageResourceBundle.hpp"
#include "CorvaneRendering/ViewportUniform.hpp"

namespace corvane {

// A bloom pair and the intermediate of its separable blur.
struct GLStageRenderer::BloomTargets {
    GLRenderTarget source;
    GLRenderTarget blurred;
    GLRenderTarget scratch;

    BloomTargets(QOpenGLFunctions_3_3_Core& gl, QSize size)
        : source(gl, size.width(), size.height(), GL_RGBA16F), blurred(gl, size.width(), size.height(), GL_RGBA16F),
          scratch(gl, size.width(), size.height(), GL_RGBA16F)
    {
    }
    bool isValid() const { return source.isValid() && blurred.isValid() && scratch.isValid(); }
};

namespace {

QSize bloomSize(QSize pixels, int divisor)
{
    return {std::max(1, pixels.width() / divisor), std::max(1, pixels.height() / divisor)};
}

std::uint32_t makeSampler(QOpenGLFunctions_3_3_Core& gl, GLint wrapS, GLint wrapT, GLint minFilter)
{
    GLuint sampler = 0;
    gl.glGenSamplers(1, &sampler);
    if (sampler == 0) return 0;
    gl.glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrapS);
    gl.glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrapT);
    gl.glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, minFilter);
    gl.glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return sampler;
}

std::size_t visualBlendIndex(VisualBlendMode mode) { return static_cast<std::size_t>(mode); }

} // namespace

GLStageRenderer::GLStageRenderer(QOpenGLContext& context, double startTime)
    : GLStageRenderer(context, startTime, Options{})
{
}

GLStageRenderer::GLStageRenderer(QOpenGLContext& context, double startTime, Options options) : clock_(startTime)
{
    const auto format = context.format();
    const QByteArray version = QByteArray::number(format.majorVersion()) + "." + QByteArray::number(format.minorVersion()) +
                               (context.isOpenGLES() ? " ES" : "");
    if (context.isOpenGLES() || format.version() < qMakePair(3, 3))
        throw RendererError(RendererError::OpenGLUnavailable{version.toStdString()});
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
    if (!gl_ || !gl_->initializeOpenGLFunctions())
        throw RendererError(RendererError::OpenGLUnavailable{version.toStdString()});
    auto& gl = *gl_;

    shaderSource_ = std::move(options.shaderSource);
    const auto empty = makeSolidTexture(gl, 0, 0, 0, 0);
    if (!empty) throw RendererError(RendererError::TextureCreationFailed{"Brelmo Empty Background"});
    emptyBackgroundTexture_ = *empty;
    // Where the grain tile is missing the backdrop reads a mid-grey texel,
    // which leaves the colour as it is (a transparent one would darken it).
    const auto neutral = makeSolidTexture(gl, 128, 128, 128, 255);
    if (!neutral) throw RendererError(RendererError::TextureCreationFailed{"Brelmo Neutral Grain"});
    neutralGrainTexture_ = *neutral;
    makeSamplers();
    if (options.buildLater) {
        imagesPending_ = true;
    } else {
        while (!buildNextProgram()) {
        }
        setStageImages(decodeStageImages(options.resourceBundle));
    }

    gl.glGenBuffers(1, &uniformBuffer_);
    gl.glBindBuffer(GL_UNIFORM_BUFFER, uniformBuffer_);
    gl.glBufferData(GL_UNIFORM_BUFFER, sizeof(ViewportUniform), nullptr, GL_DYNAMIC_DRAW);
    gl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
    gl.glGenVertexArrays(1, &emptyVertexArray_);
    instances_ = std::make_unique<GLInstanceBuffer>(gl);
    activeImpacts_.reserve(64);
    newEvents_.reserve(RenderStateExchange::pendingLimit);
}

GLStageRenderer::~GLStageRenderer()
{
    auto& gl = *gl_;
    frameTarget_.reset();
    bloom_.reset();
    particleBloom_.reset();
    instances_.reset();
    programs_.clear();
    for (const auto& texture : {keyboardTexture_, panelTexture_, loadedBackgroundTexture_})
        if (texture) deleteTexture(gl, *texture);
    deleteTexture(gl, emptyBackgroundTexture_);
    deleteTexture(gl, neutralGrainTexture_);
    for (const GLuint sampler :
         {keyboardSampler_, backgroundSampler_, panelTextureSampler_, compositeSampler_, blurSampler_})
        if (sampler) gl.glDeleteSamplers(1, &sampler);
    gl.glDeleteBuffers(1, &uniformBuffer_);
    gl.glDeleteVertexArrays(1, &emptyVertexArray_);
}

namespace {

struct ProgramRecipe {
    const char* vertex;
    const char* fragment;
    StageShaderOutput output;
};

enum ProgramIndex { backdropProgram, quadProgram, noteProgram, keyboardProgram, keyOverlayProgram, particleProgram,
    noteBloomProgram, particleBloomProgram, keyLightProgram, bloomCompositeProgram, particleCompositeProgram,
    blurProgram, presentProgram, programCount };

using O = StageShaderOutput;
constexpr std::array<ProgramRecipe, programCount> programRecipes{{
    {"backdropVertex", "backdropFragment", O::backdrop},
    {"quadVertex", "quadFragment", O::quad},
    {"quadVertex", "noteFragment", O::quad},
    {"keyboardVertex", "keyboardFragment", O::keyboard},
    {"keyLightVertex", "keyOverlayFragment", O::keyLight},
    {"particleVertex", "particleFragment", O::particle},
    {"quadVertex", "noteBloomFragment", O::quad},
    {"particleVertex", "particleBloomFragment", O::particle},
    {"keyLightVertex", "keyLightFragment", O::keyLight},
    {"backdropVertex", "bloomCompositeFragment", O::backdrop},
    {"backdropVertex", "particleBloomCompositeFragment", O::backdrop},
    {"backdropVertex", "blurFragment", O::backdrop},
    {"backdropVertex", "presentFragment", O::backdrop},
}};

} // namespace

bool GLStageRenderer::isReady() const { return programs_.size() == programRecipes.size() && !imagesPending_; }

bool GLStageRenderer::buildNextProgram()
{
    if (programs_.size() == programRecipes.size()) return true;
    const auto& recipe = programRecipes[programs_.size()];
    programs_.push_back(std::make_unique<StageProgram>(*gl_, shaderSource_, recipe.vertex, recipe.fragment, recipe.output));
    if (programs_.size() < programRecipes.size()) return false;
    assignPipelines();
    return true;
}

void GLStageRenderer::assignPipelines()
{
    const auto program = [&](ProgramIndex index) { return programs_[index].get(); };
    const auto* backdrop = program(backdropProgram);
    const auto* quad = program(quadProgram);
    const auto* note = program(noteProgram);
    const auto* keyboard = program(keyboardProgram);
    const auto* keyOverlay = program(keyOverlayProgram);
    const auto* particle = program(particleProgram);
    const auto* noteBloom = program(noteBloomProgram);
    const auto* particleBloom = program(particleBloomProgram);
    const auto* keyLight = program(keyLightProgram);
    const auto* bloomComposite = program(bloomCompositeProgram);
    const auto* particleComposite = program(particleCompositeProgram);
    const auto* blur = program(blurProgram);
    const auto* present = program(presentProgram);

    backdropPipeline_ = {backdrop, BlendMode::opaque};
    quadPipeline_ = {quad, BlendMode::alpha};
    notePipeline_ = {note, BlendMode::alpha};
    keyboardPipeline_ = {keyboard, BlendMode::opaque};
    for (const auto mode : allCases<VisualBlendMode>()) {
        keyOverlayPipelines_[visualBlendIndex(mode)] = {keyOverlay, hardwareBlend(mode)};
        particlePipelines_[visualBlendIndex(mode)] = {particle, hardwareBlend(mode)};
    }
    bloomQuadPipeline_ = {quad, BlendMode::additive};
    bloomNotePipeline_ = {noteBloom, BlendMode::additive};
    particleBloomPipeline_ = {particleBloom, BlendMode::additive};
    bloomKeyLightPipeline_ = {keyLight, BlendMode::additive};
    bloomCompositePipeline_ = {bloomComposite, BlendMode::additive};
    particleBloomCompositePipeline_ = {particleComposite, BlendMode::additive};
    blurPipeline_ = {blur, BlendMode::opaque};
    presentPipeline_ = {present, BlendMode::opaque};
    presentScaleLocation_ = present->uniformLocation("presentScale");
    blurDirectionLocation_ = blur->uniformLocation("blurDirection");
    blurTapCountLocation_ = blur->uniformLocation("blurTapCount");
    blurOffsetsLocation_ = blur->uniformLocation("blurOffsets");
    blurWeightsLocation_ = blur->uniformLocation("blurWeights");
}

void GLStageRenderer::makeSamplers()
{
    auto& gl = *gl_;
    panelTextureSampler_ = makeSampler(gl, GL_REPEAT, GL_REPEAT, GL_LINEAR);
    keyboardSampler_ = makeSampler(gl, GL_REPEAT, GL_CLAMP_TO_EDGE, GL_LINEAR_MIPMAP_LINEAR);
    backgroundSampler_ = makeSampler(gl, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_LINEAR_MIPMAP_LINEAR);
    if (backgroundSampler_ == 0) throw RendererError(RendererError::SamplerCreationFailed{});
    compositeSampler_ = makeSampler(gl, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_LINEAR);
    // The blur reads transparent black beyond the texture's edge.
    blurSampler_ = makeSampler(gl, GL_CLAMP_TO_BORDER, GL_CLAMP_TO_BORDER, GL_LINEAR);
    const float transparent[4] = {0, 0, 0, 0};
    if (blurSampler_) gl.glSamplerParameterfv(blurSampler_, GL_TEXTURE_BORDER_COLOR, transparent);
}

GLStageRenderer::StageImages GLStageRenderer::decodeStageImages(const std::optional<std::filesystem::path>& requestedBundle)
{
    StageImages images;
    const auto bundle = requestedBundle ? requestedBundle : StageResourceBundle::locate();
    if (!bundle) {
        qCWarning(renderingPerformanceLog, "Stage resource bundle %s not found; the keyboard and the grain are drawn without their images",
                  StageResourceBundle::name.data());
        return images;
    }
    if (const auto path = StageResourceBundle::keyboardImage(*bundle))
        images.keyboardLevels = stageMipmapChain(QImage(QString::fromStdString(path->string())), true);
    if (images.keyboardLevels.empty())
        qCWarning(renderingPerformanceLog, "Stage keyboard image teclado88.png missing or unreadable in %s; drawing the keys instead",
                  bundle->c_str());
    if (const auto path = StageResourceBundle::panelGrainImage(*bundle))
        images.panelGrain = QImage(QString::fromStdString(path->string())).convertToFormat(QImage::Format_RGBA8888);
    if (images.panelGrain.isNull())
        qCWarning(renderingPerformanceLog, "Stage grain image panel-grain.png missing or unreadable in %s; drawing no grain",
                  bundle->c_str());
    return images;
}

void GLStageRenderer::setStageImages(const StageImages& images)
{
    imagesPending_ = false;
    for (auto* texture : {&keyboardTexture_, &panelTexture_}) {
        if (*texture) deleteTexture(*gl_, **texture);
        texture->reset();
    }
    keyboardTexture_ = makeMipmappedTexture(*gl_, images.keyboardLevels, true);
    panelTexture_ = makeImageTexture(*gl_, images.panelGrain, false);
}

void GLStageRenderer::push(const StageInputs& inputs)
{
    wantedBackgroundImagePath_ = inputs.backgroundImagePath;
    if (inputs.backgroundImagePath != loadedBackgroundImagePath_) {
        // The previous photo goes at once; the new one comes when decoded.
        if (loadedBackgroundTexture_) deleteTexture(*gl_, *loadedBackgroundTexture_);
        loadedBackgroundTexture_.reset();
        loadedBackgroundImagePath_.reset();
    }
    exchange_.push(inputs, loadedBackgroundTexture_);
}

std::optional<std::string> GLStageRenderer::backgroundPhotoToDecode() const
{
    if (wantedBackgroundImagePath_ == loadedBackgroundImagePath_) return std::nullopt;
    return wantedBackgroundImagePath_;
}

int GLStageRenderer::backgroundPhotoLongSide() const
{
    GLint largest = 0;
    gl_->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    return largest > 0 ? std::min<int>(largest, StagePhotoDecoder::defaultLongSide) : StagePhotoDecoder::defaultLongSide;
}

bool GLStageRenderer::setBackgroundPhoto(const std::string& path, const std::vector<QImage>& levels)
{
    if (wantedBackgroundImagePath_ != path) return false;
    if (loadedBackgroundTexture_) deleteTexture(*gl_, *loadedBackgroundTexture_);
    loadedBackgroundTexture_ = makeMipmappedTexture(*gl_, levels, true);
    if (!loadedBackgroundTexture_) {
        qCWarning(renderingPerformanceLog, "Stage background photo %s could not be uploaded", path.c_str());
        loadedBackgroundImagePath_.reset();
        exchange_.setBackgroundTexture(std::nullopt);
        return false;
    }
    loadedBackgroundImagePath_ = path;
    exchange_.setBackgroundTexture(loadedBackgroundTexture_);
    return true;
}

void GLStageRenderer::logDrawableSizeIfNeeded(QSize pixelSize)
{
    if (pixelSize == loggedDrawableSize_ || pixelSize.width() < 1 || pixelSize.height() < 1) return;
    loggedDrawableSize_ = pixelSize;
    qCInfo(renderingPerformanceLog, "Stage drawable resized to %ldx%ld pixels", static_cast<long>(pixelSize.width()),
           static_cast<long>(pixelSize.height()));
}

void GLStageRenderer::setRenderScale(double scale)
{
    renderScale_ = std::isfinite(scale) ? std::clamp(scale, 0.25, 1.0) : 1.0;
}

void GLStageRenderer::prepareTargets(QSize pixelSize)
{
    auto& gl = *gl_;
    if (pixelSize != frameTargetSize_) {
        frameTarget_ = std::make_unique<GLRenderTarget>(gl, pixelSize.width(), pixelSize.height(), GL_SRGB8_ALPHA8);
        frameTargetSize_ = pixelSize;
        const auto remake = [&](std::unique_ptr<BloomTargets>& targets, int divisor) {
            targets = std::make_unique<BloomTargets>(gl, bloomSize(pixelSize, divisor));
            if (!targets->isValid()) targets.reset();
        };
        const QSize previousBloom = bloom_ ? QSize(bloom_->source.width(), bloom_->source.height()) : QSize();
        const QSize previousParticle =
            particleBloom_ ? QSize(particleBloom_->source.width(), particleBloom_->source.height()) : QSize();
        if (previousBloom != bloomSize(pixelSize, 2) || previousParticle != bloomSize(pixelSize, 4)) {
            remake(bloom_, 2);
            remake(particleBloom_, 4);
        }
    }
}

void GLStageRenderer::updateParticleBloomBlur(float radius)
{
    if (std::abs(radius - particleBloomRadius_) < 0.01f) return;
    particleBloomRadius_ = radius;
    particleBloomKernel_ = GaussianKernel(std::clamp(radius * 5, 1.25f, 15.0f));
}

void GLStageRenderer::uploadInstances(const KeyboardInstance& keyboard)
{
    const auto& s = scene_;
    instances_->begin(s.keyboardQuads.size() + s.keyLights.size() + s.notes.size() + s.bloomNotes.size() +
                      s.bloomQuads.size() + s.particles.size() + 1);
    placement_.keyboardQuads = instances_->append<QuadInstance>(s.keyboardQuads);
    placement_.keyLights = instances_->append<KeyLightInstance>(s.keyLights);
    placement_.notes = instances_->append<QuadInstance>(s.notes);
    placement_.bloomNotes = instances_->append<QuadInstance>(s.bloomNotes);
    placement_.bloomQuads = instances_->append<QuadInstance>(s.bloomQuads);
    placement_.particles = instances_->append<ParticleInstance>(s.particles);
    placement_.keyboard = instances_->append<KeyboardInstance>(std::span(&keyboard, 1));
}

void GLStageRenderer::use(const Pipeline& pipeline)
{
    gl_->glUseProgram(pipeline.program->name());
    applyBlendMode(*gl_, pipeline.blend);
}

void GLStageRenderer::drawList(const Pipeline& pipeline, std::size_t first, std::size_t count)
{
    if (count == 0 || !pipeline.program) return;
    use(pipeline);
    instances_->draw(first, count);
}

void GLStageRenderer::drawFullScreen(const Pipeline& pipeline)
{
    use(pipeline);
    gl_->glBindVertexArray(emptyVertexArray_);
    gl_->glDrawArrays(GL_TRIANGLES, 0, 3);
}

void GLStageRenderer::bindTexture(unsigned unit, std::uint32_t texture, std::uint32_t sampler)
{
    gl_->glActiveTexture(GL_TEXTURE0 + unit);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    gl_->glBindSampler(unit, sampler);
}

void GLStageRenderer::blur(const GaussianKernel& kernel, const GLRenderTarget& source, const GLRenderTarget& scratch,
                           const GLRenderTarget& destination)
{
    auto& gl = *gl_;
    use(blurPipeline_);
    gl.glUniform1i(blurTapCountLocation_, kernel.tapCount);
    gl.glUniform1fv(blurOffsetsLocation_, GaussianKernel::maximumTaps, kernel.offsets.data());
    gl.glUniform1fv(blurWeightsLocation_, GaussianKernel::maximumTaps, kernel.weights.data());
    scratch.bind();
    gl.glUniform2f(blurDirectionLocation_, 1, 0);
    bindTexture(0, source.texture(), blurSampler_);
    drawFullScreen(blurPipeline_);
    destination.bind();
    gl.glUniform2f(blurDirectionLocation_, 0, 1);
    bindTexture(0, scratch.texture(), blurSampler_);
    drawFullScreen(blurPipeline_);
}

void GLStageRenderer::draw(std::uint32_t framebuffer, QSize pixelSize, QSizeF logicalSize, double now)
{
    if (pixelSize.width() <= 0 || pixelSize.height() <= 0 || !isReady()) return;
    logDrawableSizeIfNeeded(pixelSize);
    exchange_.consumeFrameInput(frameState_, newEvents_);
    clock_.update(now, frameState_.isPlaying);
    const auto& times = clock_.times();
    for (const auto& event : newEvents_) activeImpacts_.push_back({event, times.effects});
    removeExpiredImpacts(activeImpacts_, times.effects, frameState_.preset.particleLifetime);

    const Float2 viewport{static_cast<float>(logicalSize.width()), static_cast<float>(logicalSize.height())};
    if (!(viewport.x > 0) || !(viewport.y > 0)) return;
    const auto uniform = makeViewportUniform(viewport, frameState_, times);
    makeInstances(scene_, viewport, frameState_, times, activeImpacts_);
    const QSize drawnSize(std::max(1, static_cast<int>(std::lround(pixelSize.width() * renderScale_))),
                          std::max(1, static_cast<int>(std::lround(pixelSize.height() * renderScale_))));
    prepareTargets(drawnSize);
    updateParticleBloomBlur(static_cast<float>(frameState_.preset.particleGlowRadius));
    if (!frameTarget_->isValid()) return;

    auto& gl = *gl_;
    gl.glBindBuffer(GL_UNIFORM_BUFFER, uniformBuffer_);
    gl.glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof(ViewportUniform), &uniform);
    gl.glBindBufferBase(GL_UNIFORM_BUFFER, StageProgram::uniformBlockBinding, uniformBuffer_);
    uploadInstances(texturedKeyboardInstance(viewport));
    gl.glDisable(GL_DEPTH_TEST);
    gl.glDisable(GL_SCISSOR_TEST);
    gl.glDisable(GL_CULL_FACE);
    gl.glEnable(GL_FRAMEBUFFER_SRGB);

    const auto& s = scene_;
    if (bloom_) {
        bloom_->source.bind();
        gl.glClearColor(0, 0, 0, 0);
        gl.glClear(GL_COLOR_BUFFER_BIT);
        drawList(bloomQuadPipeline_, placement_.bloomQuads, s.bloomQuads.size());
        drawList(bloomNotePipeline_, placement_.bloomNotes, s.bloomNotes.size());
        drawList(bloomKeyLightPipeline_, placement_.keyLights, s.keyLights.size());
        blur(bloomKernel_, bloom_->source, bloom_->scratch, bloom_->blurred);
    }
    const bool particleGlow = !s.particles.empty() && uniform.particleGlowIntensity > 0 && particleBloom_;
    if (particleGlow) {
        particleBloom_->source.bind();
        gl.glClearColor(0, 0, 0, 0);
        gl.glClear(GL_COLOR_BUFFER_BIT);
        drawList(particleBloomPipeline_, placement_.particles, s.particles.size());
        blur(particleBloomKernel_, particleBloom_->source, particleBloom_->scratch, particleBloom_->blurred);
    }

    frameTarget_->bind();
    gl.glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    gl.glClear(GL_COLOR_BUFFER_BIT);
    const auto background = frameState_.backgroundTexture.value_or(emptyBackgroundTexture_);
    use(backdropPipeline_);
    bindTexture(0, background.name, backgroundSampler_);
    if (panelTexture_)
        bindTexture(1, panelTexture_->name, panelTextureSampler_ ? panelTextureSampler_ : backgroundSampler_);
    else
        bindTexture(1, neutralGrainTexture_.name, backgroundSampler_);
    drawFullScreen(backdropPipeline_);
    drawList(notePipeline_, placement_.notes, s.notes.size());
    drawList(particlePipelines_[visualBlendIndex(frameState_.preset.particleBlendMode)], placement_.particles,
             s.particles.size());
    if (keyboardTexture_ && keyboardSampler_) {
        use(keyboardPipeline_);
        bindTexture(0, keyboardTexture_->name, keyboardSampler_);
        instances_->draw(placement_.keyboard, 1);
    } else {
        drawList(quadPipeline_, placement_.keyboardQuads, s.keyboardQuads.size());
    }
    drawList(keyOverlayPipelines_[visualBlendIndex(frameState_.preset.keyOverlayBlendMode)], placement_.keyLights,
             s.keyLights.size());
    if (bloom_) {
        use(bloomCompositePipeline_);
        bindTexture(0, bloom_->blurred.texture(), compositeSampler_);
        drawFullScreen(bloomCompositePipeline_);
    }
    if (particleGlow) {
        use(particleBloomCompositePipeline_);
        bindTexture(0, particleBloom_->blurred.texture(), compositeSampler_);
        drawFullScreen(particleBloomCompositePipeline_);
    }

    gl.glDisable(GL_FRAMEBUFFER_SRGB);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl.glViewport(0, 0, pixelSize.width(), pixelSize.height());
    use(presentPipeline_);
    gl.glUniform2f(presentScaleLocation_, static_cast<float>(drawnSize.width()) / static_cast<float>(pixelSize.width()),
                   static_cast<float>(drawnSize.height()) / static_cast<float>(pixelSize.height()));
    bindTexture(0, frameTarget_->texture(), 0);
    drawFullScreen(presentPipeline_);
    restoreState();

    lastFrame_ = {.notes = s.notes.size(),
                  .particles = s.particles.size(),
                  .keyLights = s.keyLights.size(),
                  .uploadedBytes = instances_->bytesThisFrame() + sizeof(ViewportUniform),
                  .particleBloom = particleGlow};
}

void GLStageRenderer::restoreState()
{
    auto& gl = *gl_;
    gl.glDisable(GL_BLEND);
    for (unsigned unit : {1u, 0u}) bindTexture(unit, 0, 0);
    gl.glBindVertexArray(0);
    gl.glUseProgram(0);
    gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

} // namespace corvane
