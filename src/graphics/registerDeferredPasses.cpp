#include "graphics/registerDeferredPasses.h"

#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"

#include <memory>

namespace Zem::Graphics {

void registerDeferredPasses(bool edgeFilter) {
    ShaderRegistry& registry = ShaderRegistry::instance();
    registry.registerFactory(
        std::make_unique<GBufferShader::Factory>(GBufferShader::passId, GBufferShader::passOrder));
    registry.registerFactory(
        std::make_unique<LightShader::Factory>(LightShader::passId, LightShader::passOrder));
    registry.registerFactory(
        std::make_unique<HDRShader::Factory>(HDRShader::passId, HDRShader::passOrder, edgeFilter));
}

std::vector<std::string> deferredPassFiles() {
    std::vector<std::string> files;
    for (const char* program : {"gbuf-1p", "gbuf-depth", "light", "glow", "hdr_downsample1",
                                "hdr_downsample2", "hdr_downsample3", "hdr_bright", "hdr_blurx",
                                "hdr_blury", "hdr_compose", "hdr_shrink", "hdr_edge"}) {
        files.push_back(std::string("shaders/") + program + ".glvp");
        files.push_back(std::string("shaders/") + program + ".glfp");
    }
    return files;
}

} // namespace Zem::Graphics
