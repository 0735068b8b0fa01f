#include "CorvaneRendering/StageProgram.hpp"

#include <QOpenGLFunctions_3_3_Core>
#include <string>

#include "CorvaneRendering/RendererError.hpp"

namespace corvane {

namespace {

bool definesFunction(std::string_view source, std::string_view function)
{
    const std::string declaration = "void " + std::string(function) + "()";
    return source.find(declaration) != std::string_view::npos;
}

std::string shaderLog(QOpenGLFunctions_3_3_Core& gl, GLuint shader)
{
    GLint length = 0;
    gl.glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    gl.glGetShaderInfoLog(shader, length, nullptr, log.data());
    return log.c_str();
}

std::string programLog(QOpenGLFunctions_3_3_Core& gl, GLuint program)
{
    GLint length = 0;
    gl.glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    gl.glGetProgramInfoLog(program, length, nullptr, log.data());
    return log.c_str();
}

GLuint compile(QOpenGLFunctions_3_3_Core& gl, GLenum stage, const std::string& text, const std::string& label)
{
    const GLuint shader = gl.glCreateShader(stage);
    const char* data = text.c_str();
    gl.glShaderSource(shader, 1, &data, nullptr);
    gl.glCompileShader(shader);
    GLint status = GL_FALSE;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        auto log = shaderLog(gl, shader);
        gl.glDeleteShader(shader);
        throw RendererError(RendererError::ShaderBuildFailed{label, std::move(log)});
    }
    return shader;
}

} // namespace

StageProgram::StageProgram(QOpenGLFunctions_3_3_Core& gl, std::string_view source, std::string_view vertexFunction,
                           std::string_view fragmentFunction, StageShaderOutput output)
    : gl_(gl)
{
    for (const auto function : {vertexFunction, fragmentFunction})
        if (!definesFunction(source, function))
            throw RendererError(RendererError::ShaderFunctionMissing{std::string(function)});
    const std::string label = "Brelmo." + std::string(vertexFunction) + "/" + std::string(fragmentFunction);
    const GLuint vertex = compile(gl, GL_VERTEX_SHADER, stageShaderText(source, true, vertexFunction, output), label);
    GLuint fragment = 0;
    try {
        fragment = compile(gl, GL_FRAGMENT_SHADER, stageShaderText(source, false, fragmentFunction, output), label);
    } catch (...) {
        gl.glDeleteShader(vertex);
        throw;
    }
    program_ = gl.glCreateProgram();
    gl.glAttachShader(program_, vertex);
    gl.glAttachShader(program_, fragment);
    gl.glLinkProgram(program_);
    gl.glDeleteShader(vertex);
    gl.glDeleteShader(fragment);
    GLint status = GL_FALSE;
    gl.glGetProgramiv(program_, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        auto log = programLog(gl, program_);
        gl.glDeleteProgram(program_);
        throw RendererError(RendererError::ShaderBuildFailed{label, std::move(log)});
    }
    const GLuint block = gl.glGetUniformBlockIndex(program_, "ViewportUniform");
    if (block != GL_INVALID_INDEX) gl.glUniformBlockBinding(program_, block, uniformBlockBinding);
    gl.glUseProgram(program_);
    if (const GLint unit0 = gl.glGetUniformLocation(program_, "texture0"); unit0 >= 0) gl.glUniform1i(unit0, 0);
    if (const GLint unit1 = gl.glGetUniformLocation(program_, "texture1"); unit1 >= 0) gl.glUniform1i(unit1, 1);
    gl.glUseProgram(0);
}

StageProgram::~StageProgram() { gl_.glDeleteProgram(program_); }

int StageProgram::uniformLocation(const char* uniform) const { return gl_.glGetUniformLocation(program_, uniform); }

} // namespace corvane
