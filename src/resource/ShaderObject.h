#pragma once

#include "resource/Resource.h"

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

namespace Zem::Resource {

// One compiled GLSL shader, as the "glvp" and "glfp" loaders make it. A shader that failed to
// compile is still a ShaderObject: its log has been printed and the program using it fails to
// link.
class ShaderObject : public Resource {
public:
    explicit ShaderObject(uint32_t shader) : shader(shader) {}
    ShaderObject(const ShaderObject&) = delete;
    ShaderObject& operator=(const ShaderObject&) = delete;
    // Deletes the shader object; GL keeps it alive while a program still holds it.
    ~ShaderObject() override;

    // Every line of the stream, each ending in a line feed (carriage returns are kept).
    static std::string readSource(std::istream& stream);

    // Creates a shader of the given GL type (GL_VERTEX_SHADER or GL_FRAGMENT_SHADER), hands
    // it the source and compiles it, printing a non-empty compile log to standard output.
    // Null when GL reports an error once the source is handed over (an error still pending
    // from earlier counts too), or when the context has no GLSL shader functions.
    static std::unique_ptr<ShaderObject> compile(const std::string& source, uint32_t type);

    // True when the context gives the GLSL shader entry points the loaders call.
    static bool shaderFunctionsAvailable();

    // Takes a new compile of the same file when it compiled; a failed one leaves this shader as
    // it was (its log has been printed). The programs linked from it must be linked again.
    Reload adopt(Resource& fresh) override;

    // The OpenGL shader object name.
    uint32_t shader;
    // Whether the driver accepted the source.
    bool compiled = true;
};

} // namespace Zem::Resource
