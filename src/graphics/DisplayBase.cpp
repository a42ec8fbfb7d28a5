#include "graphics/DisplayBase.h"

#include "resource/ReadValue.h"
#include "resource/XmlNode.h"

#include <string>

namespace Zem::Graphics {

void DisplayBase::readSettings(const Resource::XmlNode& config) {
    offscreen = config.child("offscreen").text() == "true";
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

} // namespace Zem::Graphics
