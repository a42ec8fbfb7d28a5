#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Zem::Main {
class Entity;
}

namespace Zem::Graphics {

class PassSet;
struct ProgramRecord;
class View;

// One instance of a render pass. Every view of the frame's view tree holds an instance of each
// registered pass; entities queue themselves on the instances of the views that see them.
// Instances of one pass type share their GPU objects.
class Shader {
public:
    Shader() = default;
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // When the set is taken from the pool and when it is given back.
    virtual void reset();
    // Once per new set, after every instance of it knows its set, so siblings can be found.
    virtual void init();
    // Whether the drawing walk masks views behind portals for this pass.
    virtual bool usesPortalMasks() const;
    virtual void add(Main::Entity* entity);
    // Once per frame, on the root view's instance, before any view is drawn.
    virtual void begin();
    virtual void draw(View& view) = 0;
    // Once per frame, on the root view's instance, after every view is drawn.
    virtual void end();
    virtual ~Shader();
    // The programs this pass draws with, so they can be linked again when a file changes.
    virtual std::vector<ProgramRecord*> programs();

    // The set this instance belongs to; not owned.
    PassSet* set = nullptr;
    int32_t id = 0;
    int32_t order = 0;
    // Submitted this frame; not owned.
    std::vector<Main::Entity*> queue;

    class Factory;
};

// Makes the instances of one pass type. Constructed once at start-up and handed to the
// ShaderRegistry.
class Shader::Factory {
public:
    Factory(int32_t id, int32_t order);
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

    // A new instance carrying this factory's id and order.
    virtual std::unique_ptr<Shader> create() = 0;
    // Every pass of this engine is always available.
    virtual bool isAvailable() const;
    virtual ~Factory();

    int32_t id;
    int32_t order;

protected:
    // For create(): `return make<GBufferShader>();`.
    template <class T> std::unique_ptr<Shader> make() const {
        std::unique_ptr<Shader> shader = std::make_unique<T>();
        shader->id = id;
        shader->order = order;
        return shader;
    }
};

// One instance of every registered pass, in registry order. Owned by the ShaderRegistry's pool
// and lent to one view at a time.
class PassSet {
public:
    PassSet() = default;
    PassSet(const PassSet&) = delete;
    PassSet& operator=(const PassSet&) = delete;
    ~PassSet();

    std::size_t size() const { return passes.size(); }
    bool empty() const { return passes.empty(); }
    Shader* operator[](std::size_t index) const { return passes[index].get(); }

    std::vector<std::unique_ptr<Shader>> passes;
};

} // namespace Zem::Graphics
