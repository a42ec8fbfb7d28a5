// Writes the meshes, material library and textures that data/main.world uses: three rooms joined
// by two doorways in a row, a crate, a pillar, a doorway-sized quad and an octagonal window for
// portals, plus four 24-bit BMP textures. Run from the repository root (or pass the data directory
// as the only argument); the output is the same on every run.

#include "support/DataDirectory.h"
#include "support/Image.h"
#include "support/ObjWriter.h"
#include "support/Vec.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using ZemTools::Image;
using ZemTools::ObjWriter;
using ZemTools::Vec;
using Corner = ZemTools::ObjWriter::Corner;

namespace {

// Every mesh is written with four decimals.
constexpr int decimals = 4;

// A rectangle of the plane through origin spanned by the unit axes u and v, from (u0, v0) to
// (u1, v1). It faces u x v, wound counter-clockwise seen from that side. Texture coordinates
// repeat every `tile` units, so neighbouring rectangles line up.
void rectangle(ObjWriter& obj, const Vec& origin, const Vec& u, const Vec& v, double u0, double v0,
               double u1, double v1, double tile) {
    const std::size_t normal = obj.normal(cross(u, v));
    const double corners[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    std::vector<Corner> face;
    for (const auto& c : corners) {
        const std::size_t p = obj.position(origin + u * c[0] + v * c[1]);
        const std::size_t t = obj.texCoord(c[0] / tile, c[1] / tile);
        face.push_back({p, t, normal});
    }
    obj.face(face);
}

// An upright prism of `sides` faces around the Y axis, smooth-shaded, with a top cap.
void prism(ObjWriter& obj, double radius, double height, int sides) {
    const double pi = 3.14159265358979323846;
    std::vector<std::size_t> bottom, top, normals, capTex;
    for (int i = 0; i <= sides; ++i) {
        const double angle = 2.0 * pi * (i % sides) / sides;
        const Vec out{std::sin(angle), 0.0, std::cos(angle)};
        bottom.push_back(obj.position(out * radius));
        top.push_back(obj.position(out * radius + Vec{0.0, height, 0.0}));
        normals.push_back(obj.normal(out));
        capTex.push_back(obj.texCoord(0.5 + 0.5 * out.x, 0.5 - 0.5 * out.z));
    }
    const double around = 2.0 * pi * radius;
    for (int i = 0; i < sides; ++i) {
        const std::size_t t0 = obj.texCoord(around * i / sides, 0.0);
        const std::size_t t1 = obj.texCoord(around * (i + 1) / sides, 0.0);
        const std::size_t t2 = obj.texCoord(around * (i + 1) / sides, height);
        const std::size_t t3 = obj.texCoord(around * i / sides, height);
        obj.face({{bottom[i], t0, normals[i]},
                  {bottom[i + 1], t1, normals[i + 1]},
                  {top[i + 1], t2, normals[i + 1]},
                  {top[i], t3, normals[i]}});
    }
    const std::size_t centre = obj.position({0.0, height, 0.0});
    const std::size_t centreTex = obj.texCoord(0.5, 0.5);
    const std::size_t up = obj.normal({0.0, 1.0, 0.0});
    for (int i = 0; i < sides; ++i) {
        obj.face(
            {{centre, centreTex, up}, {top[i], capTex[i], up}, {top[i + 1], capTex[i + 1], up}});
    }
}

const Vec right{1.0, 0.0, 0.0};
const Vec left{-1.0, 0.0, 0.0};
const Vec up{0.0, 1.0, 0.0};
const Vec forward{0.0, 0.0, 1.0};
const Vec back{0.0, 0.0, -1.0};

// Where a wall has a doorway: the opening spans [start, end] along the wall's own u axis and
// rises from the floor to `height`.
struct Doorway {
    double start;
    double end;
    double height;
};

// A wall of `length` x `height`, seen from inside the room; with a doorway it is cut into the
// parts left of, right of and above the opening.
void wall(ObjWriter& obj, const Vec& origin, const Vec& u, double length, double height,
          const Doorway* door) {
    const double tile = 2.0;
    if (door == nullptr) {
        rectangle(obj, origin, u, up, 0.0, 0.0, length, height, tile);
        return;
    }
    rectangle(obj, origin, u, up, 0.0, 0.0, door->start, height, tile);
    rectangle(obj, origin, u, up, door->end, 0.0, length, height, tile);
    rectangle(obj, origin, u, up, door->start, door->height, door->end, height, tile);
}

// A box room over [x0, x1] x [0, height] x [z0, z1] whose faces all point inwards, with doorways
// (null for none) in the wall at z = z0 (back) and the one at z = z1 (front). Each doorway spans
// its wall's own u axis: +x for the back wall, -x (from x1) for the front one.
std::string room(double x0, double x1, double z0, double z1, double height, const Doorway* backDoor,
                 const Doorway* frontDoor, const std::string& comment,
                 const std::string& wallMaterial) {
    ObjWriter obj("world.mtl", decimals);
    const double width = x1 - x0;
    const double depth = z1 - z0;

    obj.beginGroup("floor", "checker");
    rectangle(obj, {x0, 0.0, z1}, right, back, 0.0, 0.0, width, depth, 2.0);

    obj.beginGroup("ceiling", "plaster");
    rectangle(obj, {x0, height, z0}, right, forward, 0.0, 0.0, width, depth, 4.0);

    obj.beginGroup("walls", wallMaterial);
    wall(obj, {x0, 0.0, z0}, right, width, height, backDoor);
    wall(obj, {x1, 0.0, z1}, left, width, height, frontDoor);
    wall(obj, {x0, 0.0, z1}, back, depth, height, nullptr);
    wall(obj, {x1, 0.0, z0}, forward, depth, height, nullptr);
    return obj.text(comment);
}

// A regular octagon of radius 1 facing +z, centred on the origin: a window's shape.
std::string windowOctagon() {
    ObjWriter obj("world.mtl", decimals);
    obj.beginGroup("opening", "portal");
    const double pi = 3.14159265358979323846;
    const std::size_t normal = obj.normal(forward);
    const std::size_t centre = obj.position({0.0, 0.0, 0.0});
    const std::size_t centreTex = obj.texCoord(0.5, 0.5);
    for (int i = 0; i < 8; ++i) {
        const double a0 = 2.0 * pi * (i + 0.5) / 8.0;
        const double a1 = 2.0 * pi * (i + 1.5) / 8.0;
        const Vec p0{std::cos(a0), std::sin(a0), 0.0};
        const Vec p1{std::cos(a1), std::sin(a1), 0.0};
        obj.face({{centre, centreTex, normal},
                  {obj.position(p0), obj.texCoord(0.5 + 0.5 * p0.x, 0.5 + 0.5 * p0.y), normal},
                  {obj.position(p1), obj.texCoord(0.5 + 0.5 * p1.x, 0.5 + 0.5 * p1.y), normal}});
    }
    return obj.text("Window opening: an octagon of radius 1 facing +z, centred on the origin");
}

// A unit crate standing on the origin, faces outwards.
std::string crate() {
    ObjWriter obj("world.mtl", decimals);
    obj.beginGroup("crate", "crate");
    const double h = 0.5;
    rectangle(obj, {-h, 0.0, h}, right, up, 0.0, 0.0, 1.0, 1.0, 1.0);
    rectangle(obj, {h, 0.0, -h}, left, up, 0.0, 0.0, 1.0, 1.0, 1.0);
    rectangle(obj, {h, 0.0, h}, back, up, 0.0, 0.0, 1.0, 1.0, 1.0);
    rectangle(obj, {-h, 0.0, -h}, forward, up, 0.0, 0.0, 1.0, 1.0, 1.0);
    rectangle(obj, {-h, 1.0, h}, right, back, 0.0, 0.0, 1.0, 1.0, 1.0);
    rectangle(obj, {-h, 0.0, -h}, right, forward, 0.0, 0.0, 1.0, 1.0, 1.0);
    return obj.text("Crate, 1 x 1 x 1, standing on the origin");
}

std::string pillar() {
    ObjWriter obj("world.mtl", decimals);
    obj.beginGroup("pillar", "stone");
    prism(obj, 0.4, 3.5, 12);
    return obj.text("Pillar, radius 0.4, 3.5 high, standing on the origin");
}

// The doorway's opening as one quad facing +z, bottom centre at the origin: a portal's shape.
std::string doorwayQuad(const Doorway& door) {
    ObjWriter obj("world.mtl", decimals);
    obj.beginGroup("opening", "portal");
    const double halfWidth = 0.5 * (door.end - door.start);
    rectangle(obj, {-halfWidth, 0.0, 0.0}, right, up, 0.0, 0.0, 2.0 * halfWidth, door.height, 1.0);
    return obj.text("Doorway opening, facing +z, bottom centre at the origin");
}

const char* const materialLibrary = "# Materials of the rooms and props\n"
                                    "newmtl checker\n"
                                    "Kd 0.8 0.8 0.8\n"
                                    "Ks 0.2 0.2 0.2\n"
                                    "Ns 16\n"
                                    "map_Kd checker.bmp\n"
                                    "newmtl stone\n"
                                    "Kd 0.9 0.85 0.8\n"
                                    "Ks 0.1 0.1 0.1\n"
                                    "Ns 8\n"
                                    "map_Kd stone.bmp\n"
                                    "newmtl plaster\n"
                                    "Kd 0.6 0.6 0.62\n"
                                    "Ks 0.05 0.05 0.05\n"
                                    "Ns 4\n"
                                    "map_Kd stone.bmp\n"
                                    "newmtl crate\n"
                                    "Kd 0.9 0.8 0.6\n"
                                    "Ks 0.3 0.3 0.3\n"
                                    "Ns 24\n"
                                    "map_Kd crate.bmp\n"
                                    "newmtl tiles\n"
                                    "Kd 0.75 0.8 0.9\n"
                                    "Ks 0.35 0.35 0.4\n"
                                    "Ns 40\n"
                                    "map_Kd tiles.bmp\n"
                                    "newmtl portal\n"
                                    "Kd 0 0 0\n";

// Integer hash noise: the same everywhere, unlike rand().
double hashNoise(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / static_cast<double>(0xffffff);
}

// Smooth value noise that wraps every `period` cells, so the texture tiles without seams.
double valueNoise(double x, double y, int period, uint32_t seed) {
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0;
    const double fy = y - y0;
    const double sx = fx * fx * (3.0 - 2.0 * fx);
    const double sy = fy * fy * (3.0 - 2.0 * fy);
    const auto at = [&](int cx, int cy) {
        return hashNoise(((cx % period) + period) % period, ((cy % period) + period) % period,
                         seed);
    };
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

Image checker() {
    Image image(64, 64);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            const double shade = light ? 0.78 : 0.22;
            image.set(x, y, shade, shade, shade * 0.96);
        }
    }
    return image;
}

Image stone() {
    Image image(128, 128);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            double n = 0.0;
            double amplitude = 0.5;
            int cells = 4;
            for (int octave = 0; octave < 4; ++octave) {
                n += amplitude * valueNoise(x * cells / 128.0, y * cells / 128.0, cells, 7);
                amplitude *= 0.5;
                cells *= 2;
            }
            const double grain = 0.08 * (hashNoise(x, y, 11) - 0.5);
            const double shade = 0.35 + 0.5 * n + grain;
            image.set(x, y, shade * 1.02, shade * 0.97, shade * 0.9);
        }
    }
    return image;
}

// Glazed tiles in two blues with pale grout, for the gallery's walls.
Image tiles() {
    Image image(128, 128);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int row = y / 16;
            const int shifted = x + (row % 2) * 16;
            const bool grout = (y % 16) < 1 || (shifted % 32) < 1;
            const int tile = (shifted / 32) + row * 5;
            const double glaze = 0.08 * valueNoise(x / 16.0, y / 16.0, 8, 21);
            if (grout) {
                image.set(x, y, 0.75, 0.73, 0.68);
            } else if (hashNoise(tile, row, 31) > 0.5) {
                image.set(x, y, 0.18 + glaze, 0.32 + glaze, 0.55 + glaze);
            } else {
                image.set(x, y, 0.26 + glaze, 0.45 + glaze, 0.62 + glaze);
            }
        }
    }
    return image;
}

Image crateTexture() {
    Image image(64, 64);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool frame = x < 5 || x >= 59 || y < 5 || y >= 59;
            const bool seam = (y % 16) == 0;
            const double grain =
                0.5 + 0.5 * std::sin(x * 0.9 + 3.0 * valueNoise(x / 8.0, y / 16.0, 8, 3));
            double shade = 0.55 + 0.15 * grain + 0.1 * (hashNoise(x, y, 5) - 0.5);
            if (frame) {
                shade *= 0.7;
            } else if (seam) {
                shade *= 0.45;
            }
            image.set(x, y, shade, shade * 0.72, shade * 0.42);
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    const ZemTools::DataDirectory data(argc, argv);

    // Room A spans x -5..5, z -5..5; room B lies behind its back wall, x -4..4, z -15..-5; room
    // C in front of it, x -6..6, z 5..17. Both doorways are x -1..1, 2.5 high, in the walls the
    // rooms share at z = -5 and z = 5, in line, so one can look through both.
    const Doorway backOfA{4.0, 6.0, 2.5};
    const Doorway frontOfA{4.0, 6.0, 2.5};
    const Doorway frontOfB{3.0, 5.0, 2.5};
    const Doorway backOfC{5.0, 7.0, 2.5};
    const Doorway opening{-1.0, 1.0, 2.5};

    bool ok = true;
    ok &= data.writeText("world.mtl", materialLibrary);
    ok &= data.writeText("room_a.obj",
                         room(-5.0, 5.0, -5.0, 5.0, 4.0, &backOfA, &frontOfA,
                              "Room A: x -5..5, z -5..5, 4 high, doorways in the walls at z = -5 "
                              "and z = 5",
                              "stone"));
    ok &= data.writeText("room_b.obj",
                         room(-4.0, 4.0, -15.0, -5.0, 3.5, nullptr, &frontOfB,
                              "Room B: x -4..4, z -15..-5, 3.5 high, doorway in the wall at z = -5",
                              "stone"));
    ok &= data.writeText("room_c.obj",
                         room(-6.0, 6.0, 5.0, 17.0, 5.0, &backOfC, nullptr,
                              "Room C: x -6..6, z 5..17, 5 high, doorway in the wall at z = 5",
                              "tiles"));
    ok &= data.writeText("window.obj", windowOctagon());
    ok &= data.writeImage("textures/tiles.bmp", tiles());
    ok &= data.writeText("crate.obj", crate());
    ok &= data.writeText("pillar.obj", pillar());
    ok &= data.writeText("doorway.obj", doorwayQuad(opening));
    ok &= data.writeImage("textures/checker.bmp", checker());
    ok &= data.writeImage("textures/stone.bmp", stone());
    ok &= data.writeImage("textures/crate.bmp", crateTexture());
    return ok ? 0 : 1;
}
