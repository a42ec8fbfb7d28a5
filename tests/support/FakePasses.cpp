#include "support/FakePasses.h"

#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"

namespace ZemTest {

void FakePass::reset() {
    ++log->resets;
}

void FakePass::init() {
    ++log->inits;
    bool found = true;
    for (int32_t sibling : siblings) {
        found = found && Zem::Graphics::ShaderRegistry::findPass(set, sibling) != nullptr;
    }
    log->siblingsFound.push_back(found);
}

void FakePass::begin() {
    log->events.push_back("begin " + std::to_string(id));
}

void FakePass::draw(Zem::Graphics::View& view) {
    log->events.push_back("draw " + std::to_string(id) + " depth " + std::to_string(view.depth) +
                          " queue " + std::to_string(queue.size()));
}

void FakePass::end() {
    log->events.push_back("end " + std::to_string(id));
}

FakePassFactory::FakePassFactory(int32_t id, int32_t order, PassLog& log, bool masks,
                                 std::vector<int32_t> siblings)
    : Factory(id, order), log(log), masks(masks), siblings(std::move(siblings)) {}

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
