#include "graphics/LightShader.h"

#include "graphics/GBufferShader.h"
#include "graphics/Light.h"
#include "graphics/LightHull.h"
#include "graphics/Matrix4.h"
#include "graphics/Portal.h"
#include "graphics/ScreenRect.h"
#include "graphics/View.h"
#include "graphics/reportGLErrors.h"
#include "graphics/setUniform.h"

#include "resource/MeshGroup.h"

#include <GL/glew.h>

#include <cmath>

namespace Zem::Graphics {

LightShader::SharedObjects LightShader::shared;
bool LightShader::sharedCreated = false;

namespace {

const char* const samplerNames[LightShader::inputCount] = {"color_tex", "depth_stencil_tex",
                                                           "normal_tex", "aux1_tex", "aux2_tex"};

} // namespace

LightShader::LightShader() {
    if (!sharedCreated) {
        createSharedObjects();
    }
}

void LightShader::createSharedObjects() {
    sharedCreated = true;
    linkProgram(shared.program, "shaders/light.glvp", "shaders/light.glfp", "light pass");
    linkProgram(shared.glowProgram, "shaders/glow.glvp", "shaders/glow.glfp", "light pass");

    glGenFramebuffersEXT(1, &shared.framebuffer);
    glGenTextures(1, &shared.lightTarget);
    glGenRenderbuffersEXT(1, &shared.depthBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.framebuffer);

    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.lightTarget);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP);
    allocateTargets(ShaderRegistry::instance().frameWidth(),
                    ShaderRegistry::instance().frameHeight());
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                              GL_TEXTURE_RECTANGLE_ARB, shared.lightTarget, 0);

    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, shared.depthBuffer);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 shared.depthBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);

    // Checked by the tests; the pass itself has no way to do without the target.
    glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

void LightShader::allocateTargets(int width, int height) {
    shared.width = width;
    shared.height = height;
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.lightTarget);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA16F_ARB, width, height, 0, GL_RGBA,
                 GL_HALF_FLOAT_ARB, nullptr);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, shared.depthBuffer);
    // The G-buffer's format: a depth copy needs the same on both sides.
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH24_STENCIL8_EXT, width, height);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
}

void LightShader::releaseSharedObjects() {
    if (!sharedCreated) {
        return;
    }
    for (const ProgramRecord* record : {&shared.program, &shared.glowProgram}) {
        if (record->program != 0) {
            glDeleteProgram(record->program);
        }
    }
    glDeleteFramebuffersEXT(1, &shared.framebuffer);
    glDeleteTextures(1, &shared.lightTarget);
    glDeleteRenderbuffersEXT(1, &shared.depthBuffer);
    // The shader objects stay cached; the resource manager gives them back when it empties.
    shared = SharedObjects();
    sharedCreated = false;
}

void LightShader::init() {
    const auto* gBuffer =
        dynamic_cast<const GBufferShader*>(ShaderRegistry::findPass(set, GBufferShader::passId));
    if (gBuffer == nullptr) {
        return;
    }
    const GBufferShader::SharedObjects& targets = GBufferShader::sharedObjects();
    shared.inputs = {targets.colourTarget, targets.depthStencilTarget, targets.normalTarget,
                     targets.aux1Target, targets.aux2Target};
    shared.geometryFramebuffer = targets.framebuffer;
}

bool LightShader::usesPortalMasks() const {
    return false;
}

void LightShader::begin() {
    const ShaderRegistry& registry = ShaderRegistry::instance();
    if (registry.frameWidth() != shared.width || registry.frameHeight() != shared.height) {
        allocateTargets(registry.frameWidth(), registry.frameHeight());
    }
    const GLuint program = shared.program.program;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.framebuffer);
    glUseProgram(program);
    copySceneDepth();

    for (int unit = 0; unit < inputCount; ++unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.inputs[static_cast<std::size_t>(unit)]);
        glEnable(GL_TEXTURE_RECTANGLE_ARB);
    }
    glActiveTexture(GL_TEXTURE0);

    for (int unit = 0; unit < inputCount; ++unit) {
        setUniform(program, samplerNames[unit], unit);
    }

    // The program turns stored depth back into eye space with it.
    glGetFloatv(GL_PROJECTION_MATRIX, shared.projection.data());
    setUniform(program, "inv_proj", shared.projection.inverse());
    setUniform(program, "target_size", static_cast<float>(shared.width),
               static_cast<float>(shared.height));

    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisable(GL_DEPTH_TEST);
    startWithGlow();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glUseProgram(program);
    useHull();
}

// Each light draws the far side of its hull, where the surface behind lies no farther than
// the hull: pixels beyond the reach, and around it, are never shaded. Unclamped, the hull
// would lose its pieces past the near and far planes.
void LightShader::useHull() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_GEQUAL);
    glDepthMask(GL_FALSE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    if (GLEW_ARB_depth_clamp) {
        glEnable(GL_DEPTH_CLAMP);
    }
    // Only the corners come from an array; radius and colour are set per light.
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    for (const GLenum unit : {GL_TEXTURE2, GL_TEXTURE1, GL_TEXTURE0}) {
        glClientActiveTextureARB(unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, LightHull::unit().positions.data());
}

void LightShader::copySceneDepth() {
    if (shared.geometryFramebuffer == 0 || glBlitFramebufferEXT == nullptr) {
        glClearDepth(0.0);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        return;
    }
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, shared.geometryFramebuffer);
    glBlitFramebufferEXT(0, 0, shared.width, shared.height, 0, 0, shared.width, shared.height,
                         GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.framebuffer);
}

// The glow quad writes every pixel, so it stands in for clearing the target.
void LightShader::startWithGlow() {
    const GLuint program = shared.glowProgram.program;
    if (program == 0) {
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    glDisable(GL_BLEND);
    glUseProgram(program);
    // The glow target is on unit 4, where every light reads it too.
    setUniform(program, "aux2_tex", 4);
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
}

// Lights seen through a portal may only touch the pixels of its opening: the view behind it
// was drawn only there, and the pixels around it belong to the room in front.
void LightShader::draw(View& view) {
    if (queue.empty()) {
        return;
    }
    const ScreenRect rect = openingBounds(view, shared.projection, shared.width, shared.height);
    if (rect.empty()) {
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(rect.x, rect.y, rect.width, rect.height);
    const LightHull& hull = LightHull::unit();
    for (Main::Entity* entity : queue) {
        // Lights queue themselves here (Light::submit); anything else has no colour to send.
        auto* light = dynamic_cast<Light*>(entity);
        if (light == nullptr) {
            continue;
        }
        const float r = light->radius;
        const Vector3 p = light->getWorldMatrix().getTranslation();
        const Vector3 c = light->colour * colourScale;

        glPushMatrix();
        glTranslatef(p.x, p.y, p.z);
        // The program takes the radius as its size either way; a mirrored hull would turn
        // inside out under the culling.
        const float size = std::fabs(r);
        glScalef(size, size, size);
        glMultiTexCoord1f(GL_TEXTURE0, r);
        glMultiTexCoord3fv(GL_TEXTURE1, &c.x);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(hull.indices.size()), GL_UNSIGNED_INT,
                       hull.indices.data());
        glPopMatrix();
    }
}

void LightShader::end() {
    glPopClientAttrib();
    glPopAttrib();
    glDisable(GL_SCISSOR_TEST);
    for (int unit = 0; unit < inputCount; ++unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
        glDisable(GL_TEXTURE_RECTANGLE_ARB);
    }
    glActiveTexture(GL_TEXTURE0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glUseProgram(0);
#ifndef NDEBUG
    reportGLErrors("LightShader");
#endif
}

std::vector<ProgramRecord*> LightShader::programs() {
    return {&shared.program, &shared.glowProgram};
}

std::unique_ptr<Shader> LightShader::Factory::create() {
    return make<LightShader>();
}

} // namespace Zem::Graphics
