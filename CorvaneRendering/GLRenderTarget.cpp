#include "CorvaneRendering/GLRenderTarget.hpp"

#include <QOpenGLFunctions_3_3_Core>

namespace corvane {

GLRenderTarget::GLRenderTarget(QOpenGLFunctions_3_3_Core& gl, int width, int height, unsigned internalFormat)
    : gl_(gl), width_(width), height_(height)
{
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    gl.glGenTextures(1, &texture_);
    gl.glBindTexture(GL_TEXTURE_2D, texture_);
    const GLenum type = internalFormat == GL_RGBA16F ? GL_HALF_FLOAT : GL_UNSIGNED_BYTE;
    gl.glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), width, height, 0, GL_RGBA, type, nullptr);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glBindTexture(GL_TEXTURE_2D, 0);
    if (gl.glGetError() != GL_NO_ERROR) return;
    GLuint framebuffer = 0;
    gl.glGenFramebuffers(1, &framebuffer);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    if (gl.glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        gl.glDeleteFramebuffers(1, &framebuffer);
        return;
    }
    framebuffer_ = framebuffer;
    gl.glViewport(0, 0, width, height);
    gl.glClearColor(0, 0, 0, 0);
    gl.glClear(GL_COLOR_BUFFER_BIT);
}

GLRenderTarget::~GLRenderTarget()
{
    if (framebuffer_) gl_.glDeleteFramebuffers(1, &framebuffer_);
    if (texture_) gl_.glDeleteTextures(1, &texture_);
}

void GLRenderTarget::bind() const
{
    gl_.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_.glViewport(0, 0, width_, height_);
}

} // namespace corvane
