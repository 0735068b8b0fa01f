#pragma once

#include <cstdint>

class QOpenGLFunctions_3_3_Core;

namespace corvane {

// A texture of the stage's own with a framebuffer drawing into it; cleared
// to transparent black when made, so that nothing reads undefined texels.
class GLRenderTarget {
public:
    // internalFormat is e.g. GL_RGBA16F or GL_SRGB8_ALPHA8. Leaves the target invalid when the driver refuses.
    GLRenderTarget(QOpenGLFunctions_3_3_Core& gl, int width, int height, unsigned internalFormat);
    ~GLRenderTarget();
    GLRenderTarget(const GLRenderTarget&) = delete;
    GLRenderTarget& operator=(const GLRenderTarget&) = delete;

    bool isValid() const { return framebuffer_ != 0; }
    std::uint32_t texture() const { return texture_; }
    std::uint32_t framebuffer() const { return framebuffer_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Binds the framebuffer and sets the viewport to the whole texture.
    void bind() const;

private:
    QOpenGLFunctions_3_3_Core& gl_;
    std::uint32_t texture_ = 0;
    std::uint32_t framebuffer_ = 0;
    int width_;
    int height_;
};

} // namespace corvane
