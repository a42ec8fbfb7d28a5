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

} // namespace Zem::Graphics
