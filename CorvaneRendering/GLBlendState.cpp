#include "CorvaneRendering/GLBlendState.hpp"

#include <QOpenGLFunctions_3_3_Core>

namespace corvane {

BlendMode hardwareBlend(VisualBlendMode mode)
{
    switch (mode) {
    case VisualBlendMode::multiply: return BlendMode::multiply;
    case VisualBlendMode::screen: return BlendMode::screen;
    case VisualBlendMode::additive: return BlendMode::plus;
    default: return BlendMode::premultipliedAlpha;
    }
}

void applyBlendMode(QOpenGLFunctions_3_3_Core& gl, BlendMode mode)
{
    if (mode == BlendMode::opaque) {
        gl.glDisable(GL_BLEND);
        return;
    }
    gl.glEnable(GL_BLEND);
    gl.glBlendEquation(GL_FUNC_ADD);
    switch (mode) {
    case BlendMode::alpha: gl.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); break;
    case BlendMode::additive: gl.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ONE, GL_ONE); break;
    case BlendMode::premultipliedAlpha: gl.glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); break;
    case BlendMode::screen: gl.glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_COLOR, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); break;
    case BlendMode::multiply: gl.glBlendFuncSeparate(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); break;
    case BlendMode::plus: gl.glBlendFuncSeparate(GL_ONE, GL_ONE, GL_ONE, GL_ONE); break;
    case BlendMode::opaque: break;
    }
}

} // namespace corvane
