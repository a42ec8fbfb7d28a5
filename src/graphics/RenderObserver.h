#pragma once

namespace Zem::Graphics {

class Shader;
class View;

// Looks on while a frame is drawn: at the view tree once every entity has queued itself, and
// around each pass. For measuring a frame; it must leave the GL state as it found it.
class RenderObserver {
public:
    RenderObserver() = default;
    RenderObserver(const RenderObserver&) = delete;
    RenderObserver& operator=(const RenderObserver&) = delete;
    virtual ~RenderObserver() = default;

    virtual void viewTreeReady(const View& root) = 0;
    // Before the pass's begin and after its end, on the root view's instance.
    virtual void passBegins(const Shader& pass) = 0;
    virtual void passEnds(const Shader& pass) = 0;
};

} // namespace Zem::Graphics
