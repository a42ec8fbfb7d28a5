#pragma once

#include "graphics/Matrix4.h"
#include "graphics/ScreenRect.h"
#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"

#include <array>
#include <cstdint>

namespace Zem::Graphics {

// Deferred lighting: every queued light draws its hull (LightHull) into a floating-point
// accumulation target, added on top of what the lights before it left there, reading the G-buffer
// targets. The HDR pass takes the accumulation target as its image.
class LightShader : public Shader {
public:
    static constexpr int32_t passId = 360;
    static constexpr int32_t passOrder = 2000;
    // What reaches the program: colour times this.
    static constexpr float colourScale = 30.0f;
    static constexpr int inputCount = 5;

    // GPU objects shared by every instance, made once by the first one.
    struct SharedObjects {
        ProgramRecord program;
        // Adds the surfaces' own glow once per pixel.
        ProgramRecord glowProgram;
        uint32_t framebuffer = 0;
        uint32_t lightTarget = 0;
        // Holds a copy of the scene's depth, so lights skip the surfaces beyond their reach.
        uint32_t depthBuffer = 0;
        // The accumulation target's present size.
        int width = 0;
        int height = 0;
        // The G-buffer's colour, depth-stencil, normal, aux1 and aux2 targets, read on
        // texture units 0 to 4; 0 without a G-buffer pass.
        std::array<uint32_t, inputCount> inputs{};
        // The G-buffer's framebuffer, whose depth the lights test against; 0 without one.
        uint32_t geometryFramebuffer = 0;
        // The frame's projection, read by begin on the root's instance for every view's draw.
        Matrix4 projection;
    };

    LightShader();

    // Takes the G-buffer targets from the sibling G-buffer pass, when the set has one.
    void init() override;
    // Lights are not clipped to the portal's shape; draw keeps them inside its opening.
    bool usesPortalMasks() const override;
    void begin() override;
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
    // Allocates the accumulation target and its depth buffer anew at the size.
    static void allocateTargets(int width, int height);
    // The scene's depth into the target's depth buffer, or a depth that lets every light pass
    // when there is no G-buffer or no way to copy it.
    static void copySceneDepth();
    // The glow every surface gives off, lit or not, over the whole target: its first values.
    static void startWithGlow();
    // The state and the corner array the lights' hulls are drawn with.
    static void useHull();

    static SharedObjects shared;
    static bool sharedCreated;
};

class LightShader::Factory : public Shader::Factory {
public:
    using Shader::Factory::Factory;
    std::unique_ptr<Shader> create() override;
};

} // namespace Zem::Graphics
