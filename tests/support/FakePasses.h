#pragma once

#include "graphics/Matrix4.h"
#include "graphics/Shader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ZemTest {

// What the fake passes of a test did, in order.
struct PassLog {
    int creates = 0;
    int inits = 0;
    int resets = 0;
    // "begin 1", "draw 1 depth 0 queue 2", "end 1", ...
    std::vector<std::string> events;
    // The modelview of every draw, in the order of `events`.
    std::vector<Zem::Graphics::Matrix4> modelviews;
    // Per init: whether every sibling of the set was found by id.
    std::vector<bool> siblingsFound;
};

// A pass that records into a PassLog instead of drawing.
class FakePass : public Zem::Graphics::Shader {
public:
    void reset() override { ++log->resets; }
    void init() override;
    bool usesPortalMasks() const override { return masks; }
    void begin() override { log->events.push_back("begin " + std::to_string(id)); }
    void draw(Zem::Graphics::View& view) override;
    void end() override { log->events.push_back("end " + std::to_string(id)); }

    PassLog* log = nullptr;
    bool masks = true;
    // Ids init looks up among its siblings.
    std::vector<int32_t> siblings;
};

class FakePassFactory : public Zem::Graphics::Shader::Factory {
public:
    FakePassFactory(int32_t id, int32_t order, PassLog& log, bool masks = true,
                    std::vector<int32_t> siblings = {})
        : Factory(id, order), log(log), masks(masks), siblings(std::move(siblings)) {}
    std::unique_ptr<Zem::Graphics::Shader> create() override;

private:
    PassLog& log;
    bool masks;
    std::vector<int32_t> siblings;
};

} // namespace ZemTest
