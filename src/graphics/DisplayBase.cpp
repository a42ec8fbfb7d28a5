#include "graphics/DisplayBase.h"

#include "main/Engine.h"
#include "resource/ReadValue.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <chrono>
#include <iostream>
#include <string>

namespace Zem::Graphics {

void DisplayBase::useSettings(const DisplaySettings& settings) {
    width = settings.width;
    height = settings.height;
    bpp = settings.bpp;
    fullscreen = settings.fullscreen;
    depthbpp = settings.depthbpp;
    stencilbpp = settings.stencilbpp;
    doublebuffer = settings.doublebuffer;
    vsync = settings.vsync;
    offscreen = settings.offscreen;
}

DisplaySettings DisplayBase::settings() const {
    return {width, height, bpp, fullscreen, depthbpp, stencilbpp, doublebuffer, vsync, offscreen};
}

void DisplayBase::readSettings(const Resource::XmlNode& config) {
    const Resource::XmlNode& offscreenElement = config.child("offscreen");
    if (!offscreenElement.isEmpty()) {
        offscreen = offscreenElement.text() == "true";
    }
    const Resource::XmlNode& resolution = config.child("resolution");
    if (resolution.isEmpty()) {
        return;
    }
    Resource::readValue(resolution, "width", width);
    Resource::readValue(resolution, "height", height);
    Resource::readValue(resolution, "bpp", bpp);
    Resource::readValue(resolution, "depthbpp", depthbpp);
    Resource::readValue(resolution, "stencilbpp", stencilbpp);

    // Exact, case-sensitive comparisons: "True" changes nothing, and only the value that
    // differs from the default has an effect.
    const std::string fullscreenText = resolution.child("fullscreen").text();
    if (fullscreenText == "1" || fullscreenText == "true") {
        fullscreen = true;
    }
    const std::string doublebufferText = resolution.child("doublebuffer").text();
    if (doublebufferText == "0" || doublebufferText == "false") {
        doublebuffer = false;
    }
    const std::string vsyncText = resolution.child("vsync").text();
    if (vsyncText == "1" || vsyncText == "true") {
        vsync = true;
    }
}

void DisplayBase::notePresented() {
    using namespace std::chrono;
    lastPresentedMs = duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void DisplayBase::say(const std::string& text) const {
    if (engine != nullptr) {
        engine->message(text);
    } else {
        std::cout << text << std::flush;
    }
}

void DisplayBase::setViewport(int w, int h) {
    if (h == 0) {
        h = 1;
    }
    width = w;
    height = h;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(80.0, static_cast<double>(w) / static_cast<double>(h), 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DisplayBase::reportExtensions() {
    say("Initializing GL extensions:\n");
    // Under EGL GLEW complains that there is no GLX display, yet every entry point and flag
    // it sets is good, so the result is not looked at.
    glewInit();
    const GLubyte* version = glGetString(GL_VERSION);
    say(std::string("  * OpenGL version is ") +
        (version != nullptr ? reinterpret_cast<const char*>(version) : "") + " *\n");

    const struct {
        GLboolean present;
        const char* line;
    } extensions[] = {
        {GLEW_ARB_vertex_program, "ARB_vertex_program\n"},
        {GLEW_ARB_texture_non_power_of_two, "ARB_texture_non_power_of_two\n"},
        {GLEW_ARB_fragment_program, "ARB_fragment_program\n"},
        {GLEW_ARB_texture_rectangle, "ARB_texture_rectangle\n"},
        {GLEW_EXT_texture_rectangle, "EXT_texture_rectangle\n"},
        {GLEW_EXT_framebuffer_object, "EXT_framebuffer_object\n"},
        {GLEW_ARB_occlusion_query, "ARB_occlusion_query\n"},
        {GLEW_ARB_vertex_buffer_object, "ARB_vertex_buffer_object\n"},
    };
    for (const auto& extension : extensions) {
        say(std::string("  ") + (extension.present ? "+" : "-") + extension.line);
    }
}

void DisplayBase::setInitialState() const {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.5f, 0.9f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

} // namespace Zem::Graphics
