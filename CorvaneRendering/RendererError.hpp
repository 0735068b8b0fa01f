#pragma once

#include <string>
#include <type_traits>
#include <variant>

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

// Why the stage renderer could not be built; the stage then stays plain.
struct RendererErrorCases {
    // No OpenGL 3.3 core context (or its functions could not be resolved).
    struct OpenGLUnavailable {
        std::string version;
        bool operator==(const OpenGLUnavailable&) const = default;
    };
    // A vertex or fragment function named by a program is not in the stage source.
    struct ShaderFunctionMissing {
        std::string function;
        bool operator==(const ShaderFunctionMissing&) const = default;
    };
    // The GLSL compiler or linker refused a program; `log` is its own message.
    struct ShaderBuildFailed {
        std::string program;
        std::string log;
        bool operator==(const ShaderBuildFailed&) const = default;
    };
    struct TextureCreationFailed {
        std::string texture;
        bool operator==(const TextureCreationFailed&) const = default;
    };
    struct SamplerCreationFailed {
        bool operator==(const SamplerCreationFailed&) const = default;
    };
    using Case = std::variant<OpenGLUnavailable, ShaderFunctionMissing, ShaderBuildFailed, TextureCreationFailed,
                              SamplerCreationFailed>;
};

class RendererError : public RendererErrorCases, public TypedError<RendererErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    RendererError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

private:
    static std::string describe(const Case& c);
};

} // namespace corvane
