#pragma once

#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"

#include <array>
#include <cstdint>

namespace Zem::Graphics {

// Last pass of the frame: measures the light image's luminance by reducing it by three down
// to one texel, adapts it against last frame's, takes the bright parts at 243 x 243, blurs them
// at 81 x 81 and composes image, luminance and bloom onto the window with `exposure` and
// `bloomScale`.
// The work runs once per frame, on the root view's instance. An edge filter may smooth
// stair-stepped edges: the compose then writes an 8-bit image with its perceived brightness
// (its fragment file declares zemEdgeFilter(), which the pass defines as true or false in a small
// shader linked with it), and the filter's program reads that onto the window. A data folder
// without the filter's program composes straight onto the window.
class HDRShader : public Shader {
public:
    static constexpr int32_t passId = 460;
    static constexpr int32_t passOrder = 3000;
    // Levels 0-4 are the reduction chain (243 .. 3), 5 and 6 the adapted luminance, written
    // in turn: one holds this frame's value while the other keeps last frame's.
    static constexpr int levelCount = 7;
    static constexpr int bloomSize = 243;
    // The bloom is blurred at a third of its size: a ninth of the pixels and a third of the taps
    // for the same width, and it is smooth enough that nothing of the detail shows.
    static constexpr int blurSize = 81;

    enum Program {
        Downsample1,
        Downsample2,
        Downsample3,
        Bright,
        BlurX,
        BlurY,
        Compose,
        Shrink,
        EdgeFilter
    };
    static constexpr int programCount = 9;

    // A framebuffer with a square rectangle texture as its colour and a depth renderbuffer.
    struct Target {
        uint32_t framebuffer = 0;
        uint32_t texture = 0;
        uint32_t depthBuffer = 0;
        int size = 0;
    };

    // GPU objects and frame-to-frame state shared by every instance, made by the first one.
    struct SharedObjects {
        std::array<ProgramRecord, programCount> programs;
        std::array<Target, levelCount> levels;
        // Bright-pass output.
        Target bloomA;
        // The bright parts shrunk by three, and the final bloom after the blur.
        Target blurA;
        // Blur intermediate.
        Target blurB;
        // The light pass's accumulation target; 0 without a light pass.
        uint32_t source = 0;
        // Which of levels 5 and 6 (0 or 1) receives this frame's luminance.
        int pingIndex = 0;
        // The adaptation step, the same every frame whatever the frame time.
        float timeDelta = 0.01f;
        // The size of the source image and of the window, read by begin.
        int sourceWidth = 640;
        int sourceHeight = 480;
        // Whether the edge filter runs, and the shader that tells the compose program so.
        bool edgeFilter = true;
        uint32_t edgeFilterShader = 0;
        // The composed image the edge filter reads, at the size of the window.
        uint32_t composedFramebuffer = 0;
        uint32_t composedTexture = 0;
        int composedWidth = 0;
        int composedHeight = 0;
    };

    // The first instance makes the shared objects, the compose program with or without the edge
    // filter.
    explicit HDRShader(bool edgeFilter = true);

    // Takes the light pass's target as the image, when the set has a light pass.
    void init() override;
    bool usesPortalMasks() const override;
    void begin() override;
    // Does the whole post-process, on the instance begin was called on; others do nothing.
    void draw(View& view) override;
    void end() override;
    std::vector<ProgramRecord*> programs() override;

    static const SharedObjects& sharedObjects() { return shared; }
    // Deletes the shared GPU objects so the next instance makes them anew. A running program
    // never calls it; it exists for a context that goes away and for tests.
    static void releaseSharedObjects();
    // The adapted luminance back to its start, as if no frame had been drawn.
    static void forgetAdaptation();

    // Set by begin, cleared by end.
    bool active = false;

    class Factory;

private:
    static void createSharedObjects(bool edgeFilter);
    static void allocateComposedImage(int width, int height);
    static void compose(const Target& luminance);
    static void filterEdgesOntoWindow();

    static SharedObjects shared;
    static bool sharedCreated;
};

class HDRShader::Factory : public Shader::Factory {
public:
    // With edgeFilter false the compose program is linked without the edge filter.
    Factory(int32_t id, int32_t order, bool edgeFilter = true);
    std::unique_ptr<Shader> create() override;

private:
    bool edgeFilter;
};

} // namespace Zem::Graphics
