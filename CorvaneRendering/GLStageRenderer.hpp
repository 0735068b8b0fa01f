#pragma once

#include <array>

#include <QImage>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QSize>
#include <QSizeF>

#include "CorvaneRendering/ActiveImpact.hpp"
#include "CorvaneRendering/AnimationClock.hpp"
#include "CorvaneRendering/GLBlendState.hpp"
#include "CorvaneRendering/GaussianKernel.hpp"
#include "CorvaneRendering/RenderStateExchange.hpp"
#include "CorvaneRendering/SceneInstances.hpp"
#include "CorvaneRendering/StageInputs.hpp"
#include "CorvaneRendering/StageShaderSource.hpp"
#include "CorvaneRendering/StageTexture.hpp"

class QImage;
class QOpenGLContext;
class QOpenGLFunctions_3_3_Core;

namespace corvane {

class GLInstanceBuffer;
class GLRenderTarget;
class StageProgram;

// Draws the practice stage with OpenGL 3.3 core: two bloom emission passes
// at half and quarter size with their blurs, then the backdrop, notes,
// particles, keyboard, key overlays and the bloom composites into a frame
// target of its own, copied last into the caller's framebuffer.
//
// Every member function must be called with the context it was made in current.
class GLStageRenderer {
public:
    struct Options {
        std::string shaderSource = std::string(stageShaderSource());
        // The resource folder; absent: looked up beside the executable and in the build tree.
        std::optional<std::filesystem::path> resourceBundle;
        // The programs are built one per buildNextProgram() call, and the images come through
        // setStageImages(), instead of all here: a software driver takes tens of milliseconds for
        // each program and far longer for the keyboard's mipmaps, too long to hold a window's
        // event loop at once.
        bool buildLater = false;
    };

    // The stage's own images, decoded, with the keyboard's mipmaps: any thread may make them.
    struct StageImages {
        std::vector<QImage> keyboardLevels;
        QImage panelGrain;
    };
    // Missing images are logged; the stage is drawn without them.
    static StageImages decodeStageImages(const std::optional<std::filesystem::path>& bundle);

    // What the last frame drew, for the benchmarks and tests.
    struct FrameStatistics {
        std::size_t notes = 0;
        std::size_t particles = 0;
        std::size_t keyLights = 0;
        std::size_t uploadedBytes = 0;
        bool particleBloom = false;

        bool operator==(const FrameStatistics&) const = default;
    };

    // Throws RendererError when the context is not OpenGL 3.3 core or a
    // program, the stand-by texture or the background sampler cannot be made.
    // Missing stage images are logged and drawn without.
    GLStageRenderer(QOpenGLContext& context, double startTime);
    GLStageRenderer(QOpenGLContext& context, double startTime, Options options);
    ~GLStageRenderer();
    GLStageRenderer(const GLStageRenderer&) = delete;
    GLStageRenderer& operator=(const GLStageRenderer&) = delete;

    // Builds the next program (buildLater); true once all are built. Throws as the constructor does.
    bool buildNextProgram();
    // Uploads the images (buildLater).
    void setStageImages(const StageImages& images);
    // Until every program is built and the images are given, draw() draws nothing.
    bool isReady() const;

    // The view's push: replaces the render state and queues the impacts not
    // handed over before. A new photo path drops the photo drawn so far; the
    // new one is drawn once it is handed over decoded (setBackgroundPhoto).
    void push(const StageInputs& inputs);

    // The photo the last inputs name and no texture holds yet, if any.
    std::optional<std::string> backgroundPhotoToDecode() const;
    // The long side to decode a photo to: the driver's largest texture, at most
    // the decoder's default.
    int backgroundPhotoLongSide() const;
    // Uploads the decoded photo of `path`; ignored (false) when the inputs no
    // longer name it. False also when the driver refuses the texture.
    // `levels`: the photo's mipmap chain (stageMipmapChain, made off this thread where it can be).
    bool setBackgroundPhoto(const std::string& path, const std::vector<QImage>& levels);

    // One frame of a view of `logicalSize` points whose framebuffer is `pixelSize`
    // pixels, drawn into `framebuffer`; `now` is the time in seconds on the caller's steady clock.
    void draw(std::uint32_t framebuffer, QSize pixelSize, QSizeF logicalSize, double now);

    // The frame is drawn at this fraction of the framebuffer's pixels and
    // scaled up into it: a software rasteriser's cost follows the pixels.
    void setRenderScale(double scale);
    double renderScale() const { return renderScale_; }

    // Writes the drawable size to the log when it changed (and is not empty).
    void logDrawableSizeIfNeeded(QSize pixelSize);

    const AnimationTimes& animationTimes() const { return clock_.times(); }
    const std::vector<ActiveImpact>& activeImpacts() const { return activeImpacts_; }
    const RenderStateExchange& exchange() const { return exchange_; }
    const FrameStatistics& lastFrame() const { return lastFrame_; }
    bool hasKeyboardTexture() const { return keyboardTexture_.has_value(); }
    bool hasPanelTexture() const { return panelTexture_.has_value(); }
    std::optional<StageTexture> loadedBackgroundTexture() const { return loadedBackgroundTexture_; }
    float particleBloomSigma() const { return particleBloomKernel_.sigma; }

    // The linear colour the frame target is cleared to.
    static constexpr std::array<float, 4> clearColor{0.015f, 0.018f, 0.03f, 1.0f};

private:
    struct Pipeline {
        const StageProgram* program = nullptr;
        BlendMode blend = BlendMode::opaque;
    };
    struct BloomTargets;

    void assignPipelines();
    void makeSamplers();
    void prepareTargets(QSize pixelSize);
    void updateParticleBloomBlur(float radius);
    void uploadInstances(const KeyboardInstance& keyboard);
    void use(const Pipeline& pipeline);
    void drawList(const Pipeline& pipeline, std::size_t first, std::size_t count);
    void drawFullScreen(const Pipeline& pipeline);
    void blur(const GaussianKernel& kernel, const GLRenderTarget& source, const GLRenderTarget& scratch,
              const GLRenderTarget& destination);
    void bindTexture(unsigned unit, std::uint32_t texture, std::uint32_t sampler);
    void restoreState();

    QOpenGLFunctions_3_3_Core* gl_ = nullptr;

    std::string shaderSource_;
    bool imagesPending_ = false;
    std::vector<std::unique_ptr<StageProgram>> programs_;
    Pipeline backdropPipeline_, quadPipeline_, notePipeline_, keyboardPipeline_;
    std::array<Pipeline, 22> keyOverlayPipelines_{};
    std::array<Pipeline, 22> particlePipelines_{};
    Pipeline bloomQuadPipeline_, bloomNotePipeline_, bloomKeyLightPipeline_, bloomCompositePipeline_;
    Pipeline particleBloomPipeline_, particleBloomCompositePipeline_;
    Pipeline blurPipeline_, presentPipeline_;

    GaussianKernel bloomKernel_{10.0f};
    GaussianKernel particleBloomKernel_{5.0f};
    float particleBloomRadius_ = 1.0f;

    std::optional<StageTexture> keyboardTexture_;
    std::optional<StageTexture> panelTexture_;
    StageTexture emptyBackgroundTexture_;
    StageTexture neutralGrainTexture_;
    std::uint32_t keyboardSampler_ = 0, backgroundSampler_ = 0, panelTextureSampler_ = 0;
    std::uint32_t compositeSampler_ = 0, blurSampler_ = 0;
    std::uint32_t uniformBuffer_ = 0;
    std::uint32_t emptyVertexArray_ = 0; // for the full-screen triangles, which read no attributes
    double renderScale_ = 1.0;
    int presentScaleLocation_ = -1;
    int blurDirectionLocation_ = -1, blurTapCountLocation_ = -1, blurOffsetsLocation_ = -1, blurWeightsLocation_ = -1;
    std::unique_ptr<GLInstanceBuffer> instances_;

    RenderStateExchange exchange_;
    RenderState frameState_;
    std::vector<VisualImpactEvent> newEvents_;
    std::vector<ActiveImpact> activeImpacts_;
    AnimationClock clock_;
    SceneInstances scene_;

    std::unique_ptr<GLRenderTarget> frameTarget_;
    std::unique_ptr<BloomTargets> bloom_;
    std::unique_ptr<BloomTargets> particleBloom_;
    QSize frameTargetSize_;
    QSize loggedDrawableSize_{0, 0};

    std::optional<std::string> wantedBackgroundImagePath_; // the photo the last inputs name
    std::optional<std::string> loadedBackgroundImagePath_; // the photo the texture holds
    std::optional<StageTexture> loadedBackgroundTexture_;

    FrameStatistics lastFrame_;
    // Record indices of this frame's lists in the instance buffer.
    struct ListPlacement {
        std::size_t keyboardQuads, keyLights, notes, bloomNotes, bloomQuads, particles, keyboard;
    } placement_{};
};

} // namespace corvane
