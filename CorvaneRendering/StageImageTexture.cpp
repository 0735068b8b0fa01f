#include "CorvaneRendering/StageImageTexture.hpp"

#include <QOpenGLFunctions_3_3_Core>

namespace corvane {

namespace {

std::optional<StageTexture> upload(QOpenGLFunctions_3_3_Core& gl, int width, int height, const void* pixels,
                                   GLenum internalFormat)
{
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    GLuint name = 0;
    gl.glGenTextures(1, &name);
    gl.glBindTexture(GL_TEXTURE_2D, name);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), width, height, 0, GL_RGBA,
                    GL_UNSIGNED_BYTE, pixels);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.glBindTexture(GL_TEXTURE_2D, 0);
    if (gl.glGetError() != GL_NO_ERROR) {
        gl.glDeleteTextures(1, &name);
        return std::nullopt;
    }
    return StageTexture{name, width, height};
}

} // namespace

std::optional<StageTexture> makeImageTexture(QOpenGLFunctions_3_3_Core& gl, const QImage& image, bool srgb)
{
    if (image.isNull()) return std::nullopt;
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    return upload(gl, rgba.width(), rgba.height(), rgba.constBits(), srgb ? GL_SRGB8_ALPHA8 : GL_RGBA8);
}

std::optional<StageTexture> makeMipmappedTexture(QOpenGLFunctions_3_3_Core& gl, const std::vector<QImage>& levels,
                                                 bool srgb)
{
    if (levels.empty()) return std::nullopt;
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    GLuint name = 0;
    gl.glGenTextures(1, &name);
    gl.glBindTexture(GL_TEXTURE_2D, name);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (std::size_t level = 0; level < levels.size(); ++level) {
        const QImage& image = levels[level];
        gl.glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), srgb ? GL_SRGB8_ALPHA8 : GL_RGBA8, image.width(),
                        image.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE, image.constBits());
    }
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size() - 1));
    gl.glBindTexture(GL_TEXTURE_2D, 0);
    if (gl.glGetError() != GL_NO_ERROR) {
        gl.glDeleteTextures(1, &name);
        return std::nullopt;
    }
    return StageTexture{name, levels.front().width(), levels.front().height()};
}

std::optional<StageTexture> makeSolidTexture(QOpenGLFunctions_3_3_Core& gl, unsigned char red, unsigned char green,
                                             unsigned char blue, unsigned char alpha)
{
    const unsigned char pixel[4] = {red, green, blue, alpha};
    return upload(gl, 1, 1, pixel, GL_RGBA8);
}

void deleteTexture(QOpenGLFunctions_3_3_Core& gl, const StageTexture& texture)
{
    const GLuint name = texture.name;
    gl.glDeleteTextures(1, &name);
}

} // namespace corvane
