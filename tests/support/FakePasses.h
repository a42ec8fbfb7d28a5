#pragma once

#include "graphics/Matrix4.h"
#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"

#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ZemTest {

// What the fake passes of a test did, in order.
struct PassLog {
    int creates = 0;
    int resets = 0;
    std::vector<std::string> events; // "begin 1", "draw 1 depth 0 queue 2", "end 1", ...
    std::vector<Zem::Graphics::Matrix4> modelviews; // one per draw
    std::vector<bool> siblingsFound;                // per init: every sibling found by id
};

// A pass that records into a PassLog instead of drawing.
class FakePass : public Zem::Graphics::Shader {
public:
    void reset() override { ++log->resets; }
    void init() override {
        bool found = true;
        for (int32_t sibling : siblings) {
            found = found && Zem::Graphics::ShaderRegistry::findPass(set, sibling) != nullptr;
        }
        log->siblingsFound.push_back(found);
    }
    void begin() override { log->events.push_back("begin " + std::to_string(id)); }
    void draw(Zem::Graphics::View& view) override {
        log->events.push_back("draw " + std::to_string(id) + " depth " +
                              std::to_string(view.depth) + " queue " +
                              std::to_string(queue.size()));
        log->modelviews.emplace_back();
        glGetFloatv(GL_MODELVIEW_MATRIX, log->modelviews.back().m);
    }
    void end() override { log->events.push_back("end " + std::to_string(id)); }

    PassLog* log = nullptr;
    std::vector<int32_t> siblings;
};

class FakePassFactory : public Zem::Graphics::Shader::Factory {
public:
    FakePassFactory(int32_t id, int32_t order, PassLog& log, std::vector<int32_t> siblings = {})
        : Factory(id, order), log(log), siblings(std::move(siblings)) {}
    std::unique_ptr<Zem::Graphics::Shader> create() override {
        ++log.creates;
        std::unique_ptr<Zem::Graphics::Shader> shader = make<FakePass>();
        auto* pass = static_cast<FakePass*>(shader.get());
        pass->log = &log;
        pass->siblings = siblings;
        return shader;
    }

private:
    PassLog& log;
    std::vector<int32_t> siblings;
};

} // namespace ZemTest
