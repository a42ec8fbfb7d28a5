#include "graphics/HDRShader.h"

#include "graphics/GBufferShader.h"
#include "graphics/HDRSettings.h"
#include "graphics/LightShader.h"
#include "graphics/compileFragmentSource.h"
#include "graphics/reportGLErrors.h"
#include "graphics/setUniform.h"

#include <GL/glew.h>

#include <string>

namespace Zem::Graphics {

HDRShader::SharedObjects HDRShader::shared;
bool HDRShader::sharedCreated = false;

namespace {

const char* const programNames[HDRShader::programCount] = {
    "hdr_downsample1", "hdr_downsample2", "hdr_downsample3", "hdr_bright", "hdr_blurx",
    "hdr_blury",       "hdr_compose",     "hdr_shrink",      "hdr_edge"};

HDRShader::Target makeTarget(uint32_t framebuffer, uint32_t texture, uint32_t depthBuffer, int size,
                             GLint filter) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA16F_ARB, size, size, 0, GL_RGBA, GL_FLOAT,
                 nullptr);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                              GL_TEXTURE_RECTANGLE_ARB, texture, 0);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depthBuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, size, size);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 depthBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    // The luminance pair starts from this: last frame's value for the very first frame.
    glClear(GL_COLOR_BUFFER_BIT);
    glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    return HDRShader::Target{framebuffer, texture, depthBuffer, size};
}

HDRShader::Target makeTarget(int size, GLint filter) {
    GLuint framebuffer = 0;
    GLuint texture = 0;
    GLuint depthBuffer = 0;
    glGenFramebuffersEXT(1, &framebuffer);
    glGenTextures(1, &texture);
    glGenRenderbuffersEXT(1, &depthBuffer);
    return makeTarget(framebuffer, texture, depthBuffer, size, filter);
}

void deleteTarget(const HDRShader::Target& target) {
    glDeleteFramebuffersEXT(1, &target.framebuffer);
    glDeleteTextures(1, &target.texture);
    glDeleteRenderbuffersEXT(1, &target.depthBuffer);
}

// Renders into the target: a projection of its pixels, the viewport and the framebuffer.
void renderInto(const HDRShader::Target& target) {
    const auto size = static_cast<double>(target.size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, size, 0.0, size, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, target.size, target.size);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
}

// The whole target, with no texture coordinates: the program reads around its fragment.
void drawSquare(float size) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(size, 0.0f);
    glVertex2f(size, size);
    glVertex2f(0.0f, size);
    glEnd();
}

// The whole target, with the texels of the full-size source image: the image is squeezed into
// the square (or laid onto the window when width and height match it).
void drawSourceQuad(float width, float height, float sourceWidth, float sourceHeight) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(sourceWidth, 0.0f);
    glVertex2f(width, 0.0f);
    glTexCoord2f(sourceWidth, sourceHeight);
    glVertex2f(width, height);
    glTexCoord2f(0.0f, sourceHeight);
    glVertex2f(0.0f, height);
    glEnd();
}

// Each texel of a target of `size` the mean of the 3 x 3 block of the bound image it covers, by
// the fixed-function pipeline: for a data folder with only the seven programs of the original
// (no hdr_shrink). Nine draws, each adding a ninth of one texel of every block; their texture
// coordinates fall on texel centres, so the linear filter reads single texels.
void shrinkByThree(float size) {
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glUseProgram(0);
    glBlendFunc(GL_ONE, GL_ONE);
    const float ninth = 1.0f / 9.0f;
    glColor4f(ninth, ninth, ninth, ninth);
    for (int tap = 0; tap < 9; ++tap) {
        // The first draw replaces what the target held, the others add to it.
        if (tap == 1) {
            glEnable(GL_BLEND);
        }
        const auto dx = static_cast<float>(tap % 3 - 1);
        const auto dy = static_cast<float>(tap / 3 - 1);
        glBegin(GL_QUADS);
        glTexCoord2f(dx, dy);
        glVertex2f(0.0f, 0.0f);
        glTexCoord2f(3.0f * size + dx, dy);
        glVertex2f(size, 0.0f);
        glTexCoord2f(3.0f * size + dx, 3.0f * size + dy);
        glVertex2f(size, size);
        glTexCoord2f(dx, 3.0f * size + dy);
        glVertex2f(0.0f, size);
        glEnd();
    }
    glPopAttrib();
}

void bindUnit(GLenum unit, uint32_t texture) {
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
}

// Defines the compose program's zemEdgeFilter(); 0 without GLSL or when it does not compile.
uint32_t compileEdgeFilterShader(bool edgeFilter) {
    return compileFragmentSource(std::string("#version 120\nbool zemEdgeFilter() { return ") +
                                 (edgeFilter ? "true" : "false") + "; }\n");
}

void bindEnabledUnit(GLenum unit, uint32_t texture) {
    glActiveTexture(unit);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
}

} // namespace

HDRShader::HDRShader(bool edgeFilter) {
    if (!sharedCreated) {
        createSharedObjects(edgeFilter);
    }
}

void HDRShader::createSharedObjects(bool edgeFilter) {
    sharedCreated = true;
    shared.timeDelta = 0.01f;
    shared.pingIndex = 0;
    const auto link = [](Program which) {
        const std::string base = std::string("shaders/") + programNames[which];
        return linkProgram(shared.programs[which], base + ".glvp", base + ".glfp", "HDR pass");
    };
    // Without the filter's program the compose writes the window itself.
    shared.edgeFilter = edgeFilter && link(EdgeFilter);
    shared.edgeFilterShader = compileEdgeFilterShader(shared.edgeFilter);
    shared.programs[Compose].companionShader = shared.edgeFilterShader;
    for (int i = 0; i < programCount; ++i) {
        if (i != EdgeFilter) {
            link(static_cast<Program>(i));
        }
    }
    if (shared.edgeFilter) {
        glGenFramebuffersEXT(1, &shared.composedFramebuffer);
        glGenTextures(1, &shared.composedTexture);
        allocateComposedImage(ShaderRegistry::instance().frameWidth(),
                              ShaderRegistry::instance().frameHeight());
    }

    GLuint framebuffers[levelCount];
    GLuint textures[levelCount];
    GLuint depthBuffers[levelCount];
    glGenFramebuffersEXT(levelCount, framebuffers);
    glGenTextures(levelCount, textures);
    glGenRenderbuffersEXT(levelCount, depthBuffers);
    // Levels 0-5 are 3^5 .. 3^0; level 6 is the second 1 x 1.
    int size = bloomSize;
    for (int level = 0; level < levelCount; ++level) {
        shared.levels[static_cast<std::size_t>(level)] =
            makeTarget(framebuffers[level], textures[level], depthBuffers[level], size, GL_NEAREST);
        size = size > 1 ? size / 3 : 1;
    }
    shared.bloomA = makeTarget(bloomSize, GL_LINEAR);
    shared.blurA = makeTarget(blurSize, GL_LINEAR);
    shared.blurB = makeTarget(blurSize, GL_LINEAR);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

// Eight bits a channel: the image is already mapped and encoded for the window, and the filter
// reads four channels of a byte faster than of a half float.
void HDRShader::allocateComposedImage(int width, int height) {
    shared.composedWidth = width;
    shared.composedHeight = height;
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.composedTexture);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_SRGB8_ALPHA8, width, height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.composedFramebuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                              GL_TEXTURE_RECTANGLE_ARB, shared.composedTexture, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

void HDRShader::forgetAdaptation() {
    if (!sharedCreated) {
        return;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (std::size_t level = 5; level < levelCount; ++level) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.levels[level].framebuffer);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    shared.pingIndex = 0;
}

void HDRShader::releaseSharedObjects() {
    if (!sharedCreated) {
        return;
    }
    for (const ProgramRecord& record : shared.programs) {
        if (record.program != 0) {
            glDeleteProgram(record.program);
        }
    }
    for (const Target& level : shared.levels) {
        deleteTarget(level);
    }
    deleteTarget(shared.bloomA);
    deleteTarget(shared.blurA);
    deleteTarget(shared.blurB);
    if (shared.edgeFilterShader != 0) {
        glDeleteShader(shared.edgeFilterShader);
    }
    if (shared.composedFramebuffer != 0) {
        glDeleteFramebuffersEXT(1, &shared.composedFramebuffer);
        glDeleteTextures(1, &shared.composedTexture);
    }
    // The shader objects stay cached; the resource manager gives them back when it empties.
    shared = SharedObjects();
    sharedCreated = false;
}

void HDRShader::init() {
    const auto* lightPass =
        dynamic_cast<const LightShader*>(ShaderRegistry::findPass(set, LightShader::passId));
    if (lightPass != nullptr) {
        shared.source = LightShader::sharedObjects().lightTarget;
    }
}

bool HDRShader::usesPortalMasks() const {
    return false;
}

void HDRShader::begin() {
    active = true;
    shared.sourceWidth = ShaderRegistry::instance().frameWidth();
    shared.sourceHeight = ShaderRegistry::instance().frameHeight();
    if (shared.edgeFilter && (shared.composedWidth != shared.sourceWidth ||
                              shared.composedHeight != shared.sourceHeight)) {
        allocateComposedImage(shared.sourceWidth, shared.sourceHeight);
    }
    const auto sourceWidth = static_cast<float>(shared.sourceWidth);
    const auto sourceHeight = static_cast<float>(shared.sourceHeight);
    // No clear: the frame began with one, and the compose covers the whole window.
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glDisable(GL_DEPTH_TEST);

    auto use = [](Program which) {
        const uint32_t program = shared.programs[which].program;
        glUseProgram(program);
        return program;
    };
    GLuint program = use(Downsample1);
    setUniform(program, "source_tex", 0);
    setUniform(program, "source_size", sourceWidth, sourceHeight);
    program = use(Downsample2);
    setUniform(program, "source_tex", 0);
    program = use(Downsample3);
    setUniform(program, "source_tex", 0);
    setUniform(program, "lastlum_tex", 1);
    setUniform(program, "time_delta", shared.timeDelta);
    program = use(Bright);
    setUniform(program, "source_tex", 0);
    setUniform(program, "lum_tex", 1);
    setUniform(program, "exposure", exposure);
    setUniform(program, "source_size", sourceWidth, sourceHeight);
    program = use(Shrink);
    setUniform(program, "source_tex", 0);
    program = use(BlurX);
    setUniform(program, "source_tex", 0);
    program = use(BlurY);
    setUniform(program, "source_tex", 0);
    program = use(Compose);
    setUniform(program, "source_tex", 0);
    setUniform(program, "lum_tex", 1);
    setUniform(program, "bloom_tex", 2);
    setUniform(program, "exposure", exposure);
    setUniform(program, "bloom_scale", bloomScale);
    setUniform(program, "source_size", sourceWidth, sourceHeight);
    program = use(EdgeFilter);
    setUniform(program, "source_tex", 0);
    glUseProgram(0);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, static_cast<double>(sourceWidth), 0.0, static_cast<double>(sourceHeight), -1.0,
            1.0);
    glMatrixMode(GL_MODELVIEW);
}

void HDRShader::draw(View&) {
    if (!active) {
        return;
    }
    const auto programOf = [](Program which) { return shared.programs[which].program; };
    const auto sourceWidth = static_cast<float>(shared.sourceWidth);
    const auto sourceHeight = static_cast<float>(shared.sourceHeight);
    const auto bloom = static_cast<float>(bloomSize);
    glPushMatrix();
    glLoadIdentity();

    // Reduce: the image squeezed into 243 x 243.
    renderInto(shared.levels[0]);
    bindUnit(GL_TEXTURE0, shared.source);
    glUseProgram(programOf(Downsample1));
    drawSourceQuad(bloom, bloom, sourceWidth, sourceHeight);

    // Downsample by three, down to 3 x 3.
    for (std::size_t k = 0; k < 4; ++k) {
        const Target& target = shared.levels[k + 1];
        renderInto(target);
        bindUnit(GL_TEXTURE0, shared.levels[k].texture);
        glUseProgram(programOf(Downsample2));
        drawSquare(static_cast<float>(target.size));
    }

    // Adapt: this frame's luminance from the 3 x 3 level and last frame's.
    const auto written = static_cast<std::size_t>(5 + shared.pingIndex);
    const auto previous = static_cast<std::size_t>(5 + (1 - shared.pingIndex));
    renderInto(shared.levels[written]);
    bindUnit(GL_TEXTURE0, shared.levels[4].texture);
    bindEnabledUnit(GL_TEXTURE1, shared.levels[previous].texture);
    glUseProgram(programOf(Downsample3));
    drawSquare(1.0f);

    // Bright parts of the image, against this frame's luminance.
    renderInto(shared.bloomA);
    bindUnit(GL_TEXTURE0, shared.source);
    bindUnit(GL_TEXTURE1, shared.levels[written].texture);
    glActiveTexture(GL_TEXTURE0);
    glUseProgram(programOf(Bright));
    drawSourceQuad(bloom, bloom, sourceWidth, sourceHeight);
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_RECTANGLE_ARB);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    glActiveTexture(GL_TEXTURE0);

    // Shrink by three, then blur, a horizontal and a vertical half; the result ends in blurA.
    // Every pass covers its whole target, so nothing needs clearing first.
    const auto blur = static_cast<float>(blurSize);
    renderInto(shared.blurA);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.bloomA.texture);
    if (programOf(Shrink) != 0) {
        glUseProgram(programOf(Shrink));
        drawSquare(blur);
    } else {
        shrinkByThree(blur);
    }

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.blurB.framebuffer);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.blurA.texture);
    glUseProgram(programOf(BlurX));
    drawSquare(blur);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.blurA.framebuffer);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.blurB.texture);
    glUseProgram(programOf(BlurY));
    drawSquare(blur);

    // Compose, through the edge filter or straight onto the window.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, static_cast<double>(sourceWidth), 0.0, static_cast<double>(sourceHeight), -1.0,
            1.0);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, shared.sourceWidth, shared.sourceHeight);
    compose(shared.levels[written]);
    if (shared.edgeFilter) {
        filterEdgesOntoWindow();
    }
    glPopMatrix();
}

// Onto the window, or into the edge filter's image when the filter runs.
void HDRShader::compose(const Target& luminance) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.edgeFilter ? shared.composedFramebuffer : 0);
    bindEnabledUnit(GL_TEXTURE0, shared.source);
    bindEnabledUnit(GL_TEXTURE1, luminance.texture);
    bindEnabledUnit(GL_TEXTURE2, shared.blurA.texture);
    glActiveTexture(GL_TEXTURE0);
    glUseProgram(shared.programs[Compose].program);
    const auto width = static_cast<float>(shared.sourceWidth);
    const auto height = static_cast<float>(shared.sourceHeight);
    drawSourceQuad(width, height, width, height);
}

void HDRShader::filterEdgesOntoWindow() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.composedTexture);
    glUseProgram(shared.programs[EdgeFilter].program);
    const auto width = static_cast<float>(shared.sourceWidth);
    const auto height = static_cast<float>(shared.sourceHeight);
    drawSourceQuad(width, height, width, height);
}

void HDRShader::end() {
    active = false;
    glEnable(GL_DEPTH_TEST);
    for (int unit = 2; unit >= 0; --unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
        glDisable(GL_TEXTURE_RECTANGLE_ARB);
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glUseProgram(0);
    // Swaps 0 and 1: next frame writes the level this frame read.
    shared.pingIndex = (shared.pingIndex - 1) & 1;
#ifndef NDEBUG
    reportGLErrors("HDRShader");
#endif
}

std::vector<ProgramRecord*> HDRShader::programs() {
    std::vector<ProgramRecord*> records;
    for (ProgramRecord& record : shared.programs) {
        records.push_back(&record);
    }
    return records;
}

HDRShader::Factory::Factory(int32_t id, int32_t order, bool edgeFilter)
    : Shader::Factory(id, order), edgeFilter(edgeFilter) {}

std::unique_ptr<Shader> HDRShader::Factory::create() {
    auto shader = std::make_unique<HDRShader>(edgeFilter);
    shader->id = id;
    shader->order = order;
    return shader;
}

} // namespace Zem::Graphics
