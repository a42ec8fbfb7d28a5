#pragma once

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
    // Per init: whether every sibling of the set was found by id.
    std::vector<bool> siblingsFound;
};

// A pass that records into a PassLog instead of drawing.
class FakePass : public Zem::Graphics::Shader {
public:
    void reset() override;
    void init() override;
    bool usesPortalMasks() const override { return masks; }
    void begin() override;
    void draw(Zem::Graphics::View& view) override;
    void end() override;

    PassLog* log = nullptr;
    bool masks = true;
    // Ids init looks up among its siblings.
    std::vector<int32_t> siblings;
};

class FakePassFactory : public Zem::Graphics::Shader::Factory {
public:
    FakePassFactory(int32_t id, int32_t order, PassLog& log, bool masks = true,
                    std::vector<int32_t> siblings = {});
    std::unique_ptr<Zem::Graphics::Shader> create() override;

private:
    PassLog& log;
    bool masks;
    std::vector<int32_t> siblings;
};

} // namespace ZemTest
