#pragma once

#include <cstdint>
#include <string_view>

#include "CorvaneRendering/StageShaderSource.hpp"

class QOpenGLFunctions_3_3_Core;

namespace corvane {

// One linked program of the stage source: a vertex and a fragment function
// sharing an output kind. The uniform block is bound to point 0 and the
// samplers texture0 and texture1 to units 0 and 1.
class StageProgram {
public:
    // Throws RendererError: ShaderFunctionMissing when a function is not in
    // the source, ShaderBuildFailed with the compiler's log.
    StageProgram(QOpenGLFunctions_3_3_Core& gl, std::string_view source, std::string_view vertexFunction,
                 std::string_view fragmentFunction, StageShaderOutput output);
    ~StageProgram();
    StageProgram(const StageProgram&) = delete;
    StageProgram& operator=(const StageProgram&) = delete;

    std::uint32_t name() const { return program_; }
    int uniformLocation(const char* uniform) const;

    static constexpr unsigned uniformBlockBinding = 0;

private:
    QOpenGLFunctions_3_3_Core& gl_;
    std::uint32_t program_ = 0;
};

} // namespace corvane
