#include "graphics/View.h"

#include "graphics/Portal.h"
#include "graphics/RenderObserver.h"
#include "graphics/ScreenRect.h"
#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"
#include "main/Camera.h"
#include "main/Game.h"
#include "main/Room.h"
#include "resource/MeshGroup.h"

#include <GL/glew.h>

#include <utility>

namespace Zem::Graphics {

namespace {
// Child storage grows by this many records at a time.
constexpr std::size_t childGrowth = 10;
} // namespace

View::View(View&& other) noexcept
    : visible(std::move(other.visible)), room(other.room), portal(other.portal),
      parent(other.parent), depth(other.depth), children(std::move(other.children)),
      childCount(other.childCount), submitted(std::move(other.submitted)),
      localMatrix(other.localMatrix), eyeMatrix(other.eyeMatrix), passes(other.passes) {
    // The set now belongs to this record alone.
    other.passes = nullptr;
    other.childCount = 0;
    adoptChildren();
}

View& View::operator=(View&& other) noexcept {
    if (this == &other) {
        return *this;
    }
    releasePasses();
    visible = std::move(other.visible);
    room = other.room;
    portal = other.portal;
    parent = other.parent;
    depth = other.depth;
    children = std::move(other.children);
    childCount = other.childCount;
    submitted = std::move(other.submitted);
    localMatrix = other.localMatrix;
    eyeMatrix = other.eyeMatrix;
    passes = other.passes;
    other.passes = nullptr;
    other.childCount = 0;
    adoptChildren();
    return *this;
}

View::~View() {
    reset();
}

void View::adoptChildren() {
    for (View& child : children) {
        child.parent = this;
    }
}

void View::releasePasses() {
    if (passes != nullptr) {
        ShaderRegistry::instance().release(passes);
        passes = nullptr;
    }
}

void View::reset() {
    submitted.clear();
    localMatrix = Matrix4::identity();
    eyeMatrix = Matrix4::identity();
    releasePasses();
    portal = nullptr;
    room = nullptr;
    for (View& child : children) {
        child.reset();
    }
    childCount = 0;
    parent = nullptr;
}

View& View::allocateChild() {
    if (static_cast<std::size_t>(childCount) == children.size()) {
        children.resize(children.size() + childGrowth);
        // Records that moved keep pointing at this record as their parent.
        adoptChildren();
    }
    ++childCount;
    return children[static_cast<std::size_t>(childCount) - 1];
}

void renderFrame(Main::Game& game) {
    View root;
    renderFrame(game, root);
}

void renderFrame(Main::Game& game, View& root, RenderObserver* observer) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    Main::Camera* camera = game.currentCamera();
    if (camera == nullptr) {
        return;
    }
    root.reset();
    root.depth = 0;
    camera->getWorldMatrix();
    root.localMatrix = camera->getInverseWorldMatrix();
    root.eyeMatrix = root.localMatrix;
    root.room = camera->room;
    if (camera->room != nullptr) {
        camera->room->traverse(root);
        if (observer != nullptr) {
            observer->viewTreeReady(root);
        }
        drawTree(root, observer);
    }
    // Every pass set goes back to the registry for the next frame.
    root.reset();
}

void drawTree(View& root, RenderObserver* observer) {
    if (root.passes == nullptr) {
        return;
    }
    const PassSet& passes = *root.passes;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        Shader* pass = passes[i];
        if (observer != nullptr) {
            observer->passBegins(*pass);
        }
        pass->begin();
        drawView(root, i, pass->usesPortalMasks());
        pass->end();
        if (observer != nullptr) {
            observer->passEnds(*pass);
        }
    }
}

void drawView(View& view, std::size_t passIndex, bool masked) {
    const bool maskThis = masked && view.portal != nullptr;
    if (maskThis) {
        portalBegin(*view.portal);
    }
    // A set made before a later factory was registered lacks that pass.
    if (view.passes != nullptr && passIndex < view.passes->size()) {
        glPushMatrix();
        glMultMatrixf(view.localMatrix.m);
        (*view.passes)[passIndex]->draw(view);
        glPopMatrix();
    }
    if (maskThis) {
        portalEnd(*view.portal);
    }
    glPushMatrix();
    glMultMatrixf(view.localMatrix.m);
    for (int32_t i = 0; i < view.childCount; ++i) {
        drawView(view.children[static_cast<std::size_t>(i)], passIndex, masked);
    }
    glPopMatrix();
}

// The opening's screen bounds stand for its shape; a portal without a mask shape lets its view
// draw everywhere.
ScreenRect openingBounds(const View& view, const Matrix4& projection, int width, int height) {
    const ScreenRect whole = ScreenRect::whole(width, height);
    ScreenRect rect = whole;
    for (const View* v = &view; v->portal != nullptr && v->parent != nullptr; v = v->parent) {
        const Resource::MeshGroup* shape = v->portal->maskGroup;
        if (shape == nullptr) {
            break;
        }
        const Matrix4 toClip = projection * v->parent->eyeMatrix * v->portal->getWorldMatrix();
        rect = rect.intersection(
            ScreenRect::ofPoints(shape->positions, shape->indices, toClip, whole));
        if (rect.empty()) {
            break;
        }
    }
    return rect;
}

} // namespace Zem::Graphics
