#include "support/FakePasses.h"

#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"

#include <GL/glew.h>

namespace ZemTest {

void FakePass::init() {
    ++log->inits;
    bool found = true;
    for (int32_t sibling : siblings) {
        found = found && Zem::Graphics::ShaderRegistry::findPass(set, sibling) != nullptr;
    }
    log->siblingsFound.push_back(found);
}

void FakePass::draw(Zem::Graphics::View& view) {
    log->events.push_back("draw " + std::to_string(id) + " depth " + std::to_string(view.depth) +
                          " queue " + std::to_string(queue.size()));
    log->modelviews.emplace_back();
    glGetFloatv(GL_MODELVIEW_MATRIX, log->modelviews.back().m);
}

std::unique_ptr<Zem::Graphics::Shader> FakePassFactory::create() {
    ++log.creates;
    std::unique_ptr<Zem::Graphics::Shader> shader = make<FakePass>();
    auto* pass = static_cast<FakePass*>(shader.get());
    pass->log = &log;
    pass->masks = masks;
    pass->siblings = siblings;
    return shader;
}

} // namespace ZemTest
