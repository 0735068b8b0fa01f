#pragma once

#include <string>
#include <string_view>

namespace corvane {

// What a stage function's vertex stage hands to its fragment stage.
enum class StageShaderOutput { backdrop, quad, keyboard, particle, keyLight };

// The whole GLSL text of the stage program: the uniform block, the instance
// attributes, the vertex and fragment functions and their helpers. Each
// compiled shader is this text behind a prelude naming its stage and its
// function (see stageShaderText).
std::string_view stageShaderSource();

// The text of one shader: `function` becomes `main` of the given stage.
std::string stageShaderText(std::string_view source, bool vertexStage, std::string_view function,
                            StageShaderOutput output);

} // namespace corvane
