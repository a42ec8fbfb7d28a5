#include "graphics/GBufferShader.h"

#include "graphics/View.h"
#include "graphics/reportGLErrors.h"
#include "main/Entity.h"
#include "main/messageBox.h"

#include <GL/glew.h>

namespace Zem::Graphics {

GBufferShader::SharedObjects GBufferShader::shared;
bool GBufferShader::sharedCreated = false;

namespace {

void allocateTarget(GLuint texture, GLenum internalFormat, GLenum format, GLenum type, int width,
                    int height) {
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, static_cast<GLint>(internalFormat), width, height, 0,
                 format, type, nullptr);
}

} // namespace

GBufferShader::GBufferShader() {
    if (!sharedCreated) {
        createSharedObjects();
    }
}

void GBufferShader::createSharedObjects() {
    sharedCreated = true;
    shared.variants = std::make_unique<GBufferVariants>();
    shared.program.companionShader = shared.variants->companion(MaterialPrograms::allMaps);
    linkProgram(shared.program, "shaders/gbuf-1p.glvp", "shaders/gbuf-1p.glfp", "G-buffer pass");
    shared.variants->setDefault(&shared.program);
    linkProgram(shared.depthProgram, "shaders/gbuf-depth.glvp", "shaders/gbuf-depth.glfp",
                "G-buffer pass");

    glGenFramebuffersEXT(1, &shared.framebuffer);
    glGenTextures(1, &shared.colourTarget);
    glGenTextures(1, &shared.depthStencilTarget);
    glGenTextures(1, &shared.normalTarget);
    glGenTextures(1, &shared.aux1Target);
    glGenTextures(1, &shared.aux2Target);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.framebuffer);
    const GLuint colourTargets[4] = {shared.colourTarget, shared.normalTarget, shared.aux1Target,
                                     shared.aux2Target};
    allocateTargets(ShaderRegistry::instance().frameWidth(),
                    ShaderRegistry::instance().frameHeight());
    for (GLenum i = 0; i < 4; ++i) {
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT + i,
                                  GL_TEXTURE_RECTANGLE_ARB, colourTargets[i], 0);
    }
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_RECTANGLE_ARB,
                              shared.depthStencilTarget, 0);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_STENCIL_ATTACHMENT_EXT,
                              GL_TEXTURE_RECTANGLE_ARB, shared.depthStencilTarget, 0);

    const GLenum drawBuffers[4] = {GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT,
                                   GL_COLOR_ATTACHMENT2_EXT, GL_COLOR_ATTACHMENT3_EXT};
    glDrawBuffers(4, drawBuffers);
    // Checked by the tests; the pass itself has no way to do without the targets.
    glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

void GBufferShader::allocateTargets(int width, int height) {
    shared.width = width;
    shared.height = height;
    for (GLuint target : {shared.colourTarget, shared.normalTarget, shared.aux2Target}) {
        allocateTarget(target, GL_RGBA16F_ARB, GL_RGBA, GL_HALF_FLOAT_ARB, width, height);
    }
    // Specular colours lie within 0..1 and show only in highlights, which hide 8-bit steps; the
    // narrow target is cheaper to write and, for every light, to read.
    allocateTarget(shared.aux1Target, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, width, height);
    allocateTarget(shared.depthStencilTarget, GL_DEPTH24_STENCIL8_EXT, GL_DEPTH_STENCIL_EXT,
                   GL_UNSIGNED_INT_24_8_EXT, width, height);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

void GBufferShader::releaseSharedObjects() {
    if (!sharedCreated) {
        return;
    }
    for (const ProgramRecord* record : {&shared.program, &shared.depthProgram}) {
        if (record->program != 0) {
            glDeleteProgram(record->program);
        }
    }
    glDeleteFramebuffersEXT(1, &shared.framebuffer);
    const GLuint textures[5] = {shared.colourTarget, shared.depthStencilTarget, shared.normalTarget,
                                shared.aux1Target, shared.aux2Target};
    glDeleteTextures(5, textures);
    // The shader objects stay cached; the resource manager gives them back when it empties.
    shared = SharedObjects();
    sharedCreated = false;
}

void GBufferShader::begin() {
    const ShaderRegistry& registry = ShaderRegistry::instance();
    if (registry.frameWidth() != shared.width || registry.frameHeight() != shared.height) {
        allocateTargets(registry.frameWidth(), registry.frameHeight());
    }
    const GLuint program = shared.program.program;
    glUseProgram(program);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.framebuffer);

    for (int unit = 3; unit >= 0; --unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glEnable(GL_TEXTURE_2D);
    }

    GBufferVariants::setSamplers(program);
    glGetFloatv(GL_PROJECTION_MATRIX, shared.projection.data());
    if (program != 0) {
        ShaderRegistry::instance().materialPrograms = shared.variants.get();
    }

    // The materials are drawn where their surface meets the depth laid first, so the test must
    // be on and let equal depths pass, whatever the state the frame began with.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    clearTargets();
}

// Where nothing is drawn the depth stays 1 and the lights pass over the pixel, so only the glow
// target, which the glow is added from everywhere, needs clearing with the depth and stencil.
void GBufferShader::clearTargets() {
    if (!GLEW_VERSION_3_0) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        return;
    }
    const GLfloat nothing[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glClearBufferfv(GL_COLOR, 3, nothing);
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void GBufferShader::draw(View& view) {
    if (queue.empty()) {
        // Every view queues its own room, so this means the scene graph lost something.
        Main::messageBox("", "Empty list!", Main::MessageIcon::Information);
        return;
    }
    // Behind a portal the stencil mask keeps the opening's shape; the scissor of its bounds spares
    // the rasteriser the rest of the screen, which a room behind a small opening mostly covers.
    const bool behindPortal = view.portal != nullptr;
    if (behindPortal) {
        const ScreenRect rect = openingBounds(view, shared.projection, shared.width, shared.height);
        if (rect.empty()) {
            return;
        }
        glEnable(GL_SCISSOR_TEST);
        glScissor(rect.x, rect.y, rect.width, rect.height);
    }
    drawDepth();
    drawQueue();
    if (behindPortal) {
        glDisable(GL_SCISSOR_TEST);
    }
}

void GBufferShader::drawQueue() const {
    for (Main::Entity* entity : queue) {
        glPushMatrix();
        glMultMatrixf(entity->getWorldMatrix().data());
        entity->draw();
        glPopMatrix();
    }
}

// Without a GPU a material's program runs for every pixel drawn, seen or not; with the depth
// laid first, the materials that follow pass the depth test only where they are seen.
void GBufferShader::drawDepth() const {
    const GLuint program = shared.depthProgram.program;
    if (program == 0 || shared.program.program == 0) {
        return;
    }
    ShaderRegistry& registry = ShaderRegistry::instance();
    MaterialPrograms* const materials = registry.materialPrograms;
    registry.materialPrograms = nullptr;
    glUseProgram(program);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    drawQueue();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgram(shared.program.program);
    registry.materialPrograms = materials;
}

void GBufferShader::end() {
    ShaderRegistry::instance().materialPrograms = nullptr;
    glUseProgram(0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    for (int unit = 3; unit >= 1; --unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glDisable(GL_TEXTURE_2D);
    }
    // Unit 0 keeps 2D texturing on, as the rest of the frame expects.
    glActiveTexture(GL_TEXTURE0);
#ifndef NDEBUG
    reportGLErrors("GBufferShader");
#endif
}

GBufferShader::Factory::Factory(int32_t id, int32_t order) : Shader::Factory(id, order) {
    ShaderRegistry::instance().defaultGeometryPass = id;
}

std::vector<ProgramRecord*> GBufferShader::programs() {
    std::vector<ProgramRecord*> records = {&shared.program, &shared.depthProgram};
    if (shared.variants != nullptr) {
        const std::vector<ProgramRecord*> builds = shared.variants->linked();
        records.insert(records.end(), builds.begin(), builds.end());
    }
    return records;
}

std::unique_ptr<Shader> GBufferShader::Factory::create() {
    return make<GBufferShader>();
}

} // namespace Zem::Graphics
