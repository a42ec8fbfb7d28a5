#pragma once

#include "graphics/GBufferVariants.h"
#include "graphics/Matrix4.h"
#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"

#include <cstdint>
#include <memory>

namespace Zem::Graphics {

// First pass of the frame and the default geometry pass: draws every view's models into four
// floating-point targets and a depth-stencil texture, which the light pass reads back. Portal
// masks live in this framebuffer's stencil bits. Each view's models are drawn twice: first only
// their depth, with a program that does nothing else, then the materials, whose programs then run
// only for the surfaces that are seen.
class GBufferShader : public Shader {
public:
    static constexpr int32_t passId = 250;
    static constexpr int32_t passOrder = 1000;
    // The size the targets start at, until the registry's frame size says otherwise.
    static constexpr int targetWidth = 640;
    static constexpr int targetHeight = 480;

    // GPU objects shared by every instance, made once by the first one.
    struct SharedObjects {
        // Every map possible: the program for all that is not a material's mesh group.
        ProgramRecord program;
        // The builds of the program for materials with fewer maps.
        std::unique_ptr<GBufferVariants> variants;
        // Writes depth only; 0 without its files, and the materials then draw in one go.
        ProgramRecord depthProgram;
        uint32_t framebuffer = 0;
        uint32_t colourTarget = 0;
        uint32_t depthStencilTarget = 0;
        uint32_t normalTarget = 0;
        uint32_t aux1Target = 0;
        uint32_t aux2Target = 0;
        // The targets' present size.
        int width = targetWidth;
        int height = targetHeight;
        // The frame's projection, read by begin for the portal views' bounds.
        Matrix4 projection;
    };

    GBufferShader();

    void begin() override;
    // Draws the queue with each entity's world matrix applied.
    void draw(View& view) override;
    void end() override;
    std::vector<ProgramRecord*> programs() override;

    static const SharedObjects& sharedObjects() { return shared; }
    // Deletes the shared GPU objects so the next instance makes them anew. A running program
    // never calls it; it exists for a context that goes away and for tests.
    static void releaseSharedObjects();

    class Factory;

private:
    static void createSharedObjects();
    void drawQueue() const;
    void drawDepth() const;
    // Allocates every target anew at the size; the texture names stay.
    static void allocateTargets(int width, int height);
    static void clearTargets();

    static SharedObjects shared;
    static bool sharedCreated;
};

// Also makes its id the registry's default geometry pass.
class GBufferShader::Factory : public Shader::Factory {
public:
    Factory(int32_t id, int32_t order);
    std::unique_ptr<Shader> create() override;
};

} // namespace Zem::Graphics
