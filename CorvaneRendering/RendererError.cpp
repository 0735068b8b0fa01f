#include "CorvaneRendering/RendererError.hpp"

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::string RendererError::describe(const Case& c)
{
    return std::visit(
        Overloaded{
            [](const OpenGLUnavailable& e) { return "OpenGL 3.3 core is not available (context: " + e.version + ")"; },
            [](const ShaderFunctionMissing& e) { return "The stage program has no function " + e.function; },
            [](const ShaderBuildFailed& e) { return "The stage program " + e.program + " failed to build: " + e.log; },
            [](const TextureCreationFailed& e) { return "The texture " + e.texture + " could not be made"; },
            [](const SamplerCreationFailed&) { return std::string("The background sampler could not be made"); },
        },
        c);
}

} // namespace corvane
