#pragma once

#include "graphics/Matrix4.h"
#include "graphics/ScreenRect.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zem::Main {
class Entity;
class Game;
class Room;
} // namespace Zem::Main

namespace Zem::Graphics {

class PassSet;
class RenderObserver;
class Portal;

// One node of the frame's view tree: a room seen from the camera, directly for the root or
// through a chain of portals. Records are kept by value in their parent's child storage, which
// only grows, so a tree that repeats from frame to frame allocates nothing after the first ones.
// A record owns the pass set it holds: moving a record moves the set, copying is impossible.
class View {
public:
    View() = default;
    View(View&& other) noexcept;
    View& operator=(View&& other) noexcept;
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    // Gives back every pass set of the subtree.
    ~View();

    // Back to a fresh record, keeping the storage of every array for reuse. The pass set goes
    // back to the registry; depth and visible are left alone.
    void reset();
    // The next unused child record; the storage grows by ten records when it is full.
    View& allocateChild();

    // Entities of the room this view can see, refilled by Room::gatherVisible.
    std::vector<Main::Entity*> visible;
    Main::Room* room = nullptr;
    // The portal this view looks through; null for the root.
    Portal* portal = nullptr;
    // Null for the root. Read only while the traversal below this record runs.
    View* parent = nullptr;
    // Portals passed: 0 for the root.
    int32_t depth = 0;
    std::vector<View> children;
    // Records at the front of children in use this frame.
    int32_t childCount = 0;
    // Every entity that submitted itself to this view, in order.
    std::vector<Main::Entity*> submitted;
    // Multiplied onto the modelview when this view is drawn: the root's eye matrix, or for a
    // child W_portal * inverse(W_partner).
    Matrix4 localMatrix;
    // World to eye for this view's room.
    Matrix4 eyeMatrix;
    // Lent by the ShaderRegistry until reset.
    PassSet* passes = nullptr;

private:
    void releasePasses();
    void adoptChildren();
};

// Clears the screen and draws what the game's current camera sees, every pass over the whole
// view tree. A local root view is built and thrown away.
void renderFrame(Main::Game& game);
// The same with a root the caller keeps between frames, so the frame reuses its storage.
void renderFrame(Main::Game& game, View& root, RenderObserver* observer = nullptr);
// Every pass in registry order: begin on the root's instance, the views, end.
void drawTree(View& root, RenderObserver* observer = nullptr);
// The view's own queue for the pass, masked by its portal when asked, then its children.
void drawView(View& view, std::size_t passIndex, bool masked);
// The pixels of a `width` x `height` target the view can show through its chain of portal
// openings, by the openings' screen bounds under `projection`; the whole target for the root or
// behind a portal without a mask shape, empty when nothing of it shows.
ScreenRect openingBounds(const View& view, const Matrix4& projection, int width, int height);

} // namespace Zem::Graphics
