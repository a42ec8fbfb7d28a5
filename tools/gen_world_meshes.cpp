// Writes the meshes, material library and textures that data/main.world uses: three rooms joined
// by two doorways in a row, a crate, a pillar, a doorway-sized quad and an octagonal window for
// portals, the iron plates the gear trains are mounted on, and the 24-bit BMP textures of their
// materials: colour maps, and the normal, bump and specular maps that give the stone its relief,
// the glazed tiles their grout and shine, the polished floor and the riveted plates theirs. Run
// from the repository root (or pass the data directory as the only argument); the output is the
// same on every run.

#include "support/DataDirectory.h"
#include "support/Image.h"
#include "support/ObjWriter.h"
#include "support/Vec.h"

#include <algorithm>
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

// A plate of width x height, `thickness` deep, its back on the plane z = 0 and its front facing
// +z, centred on the origin in x and y: what a gear train is mounted on. The front shows the
// whole texture once; the rims a strip of it.
std::string plate(double width, double height, double thickness, const std::string& comment) {
    ObjWriter obj("world.mtl", decimals);
    obj.beginGroup("plate", "ironplate");
    const double w = 0.5 * width;
    const double h = 0.5 * height;
    const std::size_t n = obj.normal(forward);
    const double corners[4][2] = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
    std::vector<Corner> front;
    for (const auto& c : corners) {
        front.push_back({obj.position({c[0], c[1], thickness}),
                         obj.texCoord((c[0] + w) / width, (c[1] + h) / height), n});
    }
    obj.face(front);
    // The rims, each facing out: bottom, right, top, left.
    const Vec outs[4] = {{0.0, -1.0, 0.0}, right, up, left};
    for (int i = 0; i < 4; ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % 4];
        const std::size_t rim = obj.normal(outs[i]);
        obj.face({{obj.position({a[0], a[1], 0.0}), obj.texCoord(0.0, 0.0), rim},
                  {obj.position({b[0], b[1], 0.0}), obj.texCoord(1.0, 0.0), rim},
                  {obj.position({b[0], b[1], thickness}), obj.texCoord(1.0, 0.02), rim},
                  {obj.position({a[0], a[1], thickness}), obj.texCoord(0.0, 0.02), rim}});
    }
    return obj.text(comment);
}

// The doorway's opening as one quad facing +z, bottom centre at the origin: a portal's shape.
std::string doorwayQuad(const Doorway& door) {
    ObjWriter obj("world.mtl", decimals);
    obj.beginGroup("opening", "portal");
    const double halfWidth = 0.5 * (door.end - door.start);
    rectangle(obj, {-halfWidth, 0.0, 0.0}, right, up, 0.0, 0.0, 2.0 * halfWidth, door.height, 1.0);
    return obj.text("Doorway opening, facing +z, bottom centre at the origin");
}

// Ks is the strength of the highlight, the specular map (where there is one) its share at each
// texel: polish on the floor's squares, glaze on the tiles, worn edges on the iron plates.
const char* const materialLibrary = "# Materials of the rooms and props\n"
                                    "newmtl checker\n"
                                    "Kd 0.8 0.8 0.8\n"
                                    "Ks 0.45 0.45 0.45\n"
                                    "Ns 48\n"
                                    "map_Kd checker.bmp\n"
                                    "map_Ks checker_spec.bmp\n"
                                    "newmtl stone\n"
                                    "Kd 0.9 0.85 0.8\n"
                                    "Ks 0.12 0.12 0.12\n"
                                    "Ns 12\n"
                                    "map_Kd stone.bmp\n"
                                    "map_Normal stone_normal.bmp\n"
                                    "newmtl plaster\n"
                                    "Kd 0.6 0.6 0.62\n"
                                    "Ks 0.05 0.05 0.05\n"
                                    "Ns 4\n"
                                    "map_Kd plaster.bmp\n"
                                    "newmtl crate\n"
                                    "Kd 0.9 0.8 0.6\n"
                                    "Ks 0.3 0.3 0.3\n"
                                    "Ns 24\n"
                                    "map_Kd crate.bmp\n"
                                    "newmtl tiles\n"
                                    "Kd 0.75 0.8 0.9\n"
                                    "Ks 0.7 0.7 0.75\n"
                                    "Ns 64\n"
                                    "map_Kd tiles.bmp\n"
                                    "map_Ks tiles_spec.bmp\n"
                                    "map_Bump tiles_bump.bmp\n"
                                    "newmtl ironplate\n"
                                    "Kd 0.7 0.7 0.72\n"
                                    "Ks 0.8 0.75 0.7\n"
                                    "Ns 40\n"
                                    "map_Kd ironplate.bmp\n"
                                    "map_Ks ironplate_spec.bmp\n"
                                    "map_Normal ironplate_normal.bmp\n"
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

// Four octaves of value noise over a texture of `size` texels, wrapping: 0..1, about 0.5.
double fractalNoise(int x, int y, int size, uint32_t seed) {
    double n = 0.0;
    double amplitude = 0.5;
    int cells = 4;
    for (int octave = 0; octave < 4; ++octave) {
        n += amplitude * valueNoise(x * cells / static_cast<double>(size),
                                    y * cells / static_cast<double>(size), cells, seed);
        amplitude *= 0.5;
        cells *= 2;
    }
    return n / 0.9375;
}

// A height field of a tiling texture, row 0 at the bottom as the images are.
struct HeightField {
    int size;
    std::vector<double> heights;
    explicit HeightField(int size)
        : size(size), heights(static_cast<std::size_t>(size * size), 0.0) {}
    double& at(int x, int y) {
        return heights[static_cast<std::size_t>(((y + size) % size) * size + (x + size) % size)];
    }
    double at(int x, int y) const { return const_cast<HeightField*>(this)->at(x, y); }
};

// The tangent-space normal map of a height field: x along the texture's u, y along its v, z out
// of the surface, each stored as 0.5 + 0.5 * n. `relief` is the height of 1 in texels.
Image normalMap(const HeightField& field, double relief) {
    Image image(field.size, field.size);
    for (int y = 0; y < field.size; ++y) {
        for (int x = 0; x < field.size; ++x) {
            const double dx = 0.5 * (field.at(x + 1, y) - field.at(x - 1, y)) * relief;
            const double dy = 0.5 * (field.at(x, y + 1) - field.at(x, y - 1)) * relief;
            const Vec n = ZemTools::normalised({-dx, -dy, 1.0});
            image.set(x, y, 0.5 + 0.5 * n.x, 0.5 + 0.5 * n.y, 0.5 + 0.5 * n.z);
        }
    }
    return image;
}

// A height field as a grey image: the bump map the geometry pass reads (its red channel).
Image greyImage(const HeightField& field) {
    Image image(field.size, field.size);
    for (int y = 0; y < field.size; ++y) {
        for (int x = 0; x < field.size; ++x) {
            const double h = field.at(x, y);
            image.set(x, y, h, h, h);
        }
    }
    return image;
}

// Polished stone squares, pale and dark, with soft veins and a thin seam between them; low
// contrast, so the pattern does not shimmer far away.
constexpr int checkerSize = 64;
bool checkerSeam(int x, int y) {
    return x % 8 == 0 || y % 8 == 0;
}

Image checker() {
    Image image(checkerSize, checkerSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            const double vein = fractalNoise(x + 3 * y, y, checkerSize, 41);
            const double marble = 0.06 * std::sin(12.0 * vein + 0.2 * x);
            double shade = (light ? 0.66 : 0.3) + marble;
            if (checkerSeam(x, y)) {
                shade *= 0.8;
            }
            image.set(x, y, shade, shade * 0.98, shade * 0.94);
        }
    }
    return image;
}

// The polish: the squares shine, the seams do not.
Image checkerSpecular() {
    Image image(checkerSize, checkerSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double polish = checkerSeam(x, y) ? 0.15 : 0.8 + 0.2 * hashNoise(x, y, 43);
            image.set(x, y, polish, polish, polish);
        }
    }
    return image;
}

// Dressed stone blocks (1 m x 0.5 m over the walls' 2 m repeat), each course shifted by half a
// block, bevelled at the edges, with sunken mortar joints between them.
constexpr int stoneSize = 128;
constexpr int blockWidth = 64;
constexpr int blockHeight = 32;
constexpr int joint = 2;

// Which block a texel lies in, and how far (in texels) it is from the block's nearest edge.
struct BlockPlace {
    int column;
    int course;
    int edgeDistance;
};

BlockPlace blockAt(int x, int y) {
    const int course = y / blockHeight;
    const int shifted = (x + (course % 2) * blockWidth / 2) % stoneSize;
    const int inX = shifted % blockWidth;
    const int inY = y % blockHeight;
    const int distance =
        std::min(std::min(inX, blockWidth - 1 - inX), std::min(inY, blockHeight - 1 - inY));
    return {shifted / blockWidth, course, distance};
}

HeightField stoneHeights() {
    HeightField field(stoneSize);
    for (int y = 0; y < stoneSize; ++y) {
        for (int x = 0; x < stoneSize; ++x) {
            const BlockPlace place = blockAt(x, y);
            const double rough = fractalNoise(x, y, stoneSize, 13);
            double h = 0.15;
            if (place.edgeDistance >= joint) {
                const double bevel = std::min(1.0, (place.edgeDistance - joint + 1) / 3.0);
                h = 0.35 + 0.4 * bevel + 0.25 * rough;
            }
            field.at(x, y) = h;
        }
    }
    return field;
}

Image stone() {
    Image image(stoneSize, stoneSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const BlockPlace place = blockAt(x, y);
            const double n = fractalNoise(x, y, stoneSize, 7);
            const double grain = 0.08 * (hashNoise(x, y, 11) - 0.5);
            if (place.edgeDistance < joint) {
                const double mortar = 0.42 + 0.1 * n + grain;
                image.set(x, y, mortar, mortar * 0.98, mortar * 0.93);
                continue;
            }
            // Each block its own tint.
            const double tint = hashNoise(place.column, place.course, 17) - 0.5;
            const double shade = 0.4 + 0.45 * n + grain + 0.12 * tint;
            image.set(x, y, shade * (1.02 + 0.05 * tint), shade * 0.97,
                      shade * (0.9 - 0.05 * tint));
        }
    }
    return image;
}

// The ceiling's smooth plaster.
Image plaster() {
    Image image(128, 128);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double shade =
                0.55 + 0.25 * fractalNoise(x, y, 128, 29) + 0.04 * (hashNoise(x, y, 31) - 0.5);
            image.set(x, y, shade, shade * 0.98, shade * 0.95);
        }
    }
    return image;
}

// Where the gallery's tiles lie: rows 16 texels high, tiles 32 wide, every other row shifted by
// half a tile; the grout is the first texel of each. How far a texel is from its tile's edge.
int tileEdgeDistance(int x, int y) {
    const int row = y / 16;
    const int shifted = x + (row % 2) * 16;
    const int inX = shifted % 32;
    const int inY = y % 16;
    return std::min(std::min(inX, 32 - inX), std::min(inY, 16 - inY));
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

// The tiles stand proud of the grout, their edges rounded.
Image tilesBump() {
    HeightField field(128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const int edge = tileEdgeDistance(x, y);
            field.at(x, y) = edge < 1 ? 0.2 : std::min(1.0, 0.45 + 0.2 * edge);
        }
    }
    return greyImage(field);
}

// The glaze shines; the grout is matt.
Image tilesSpecular() {
    Image image(128, 128);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double glaze = tileEdgeDistance(x, y) < 1
                                     ? 0.05
                                     : 0.75 + 0.25 * valueNoise(x / 8.0, y / 8.0, 16, 23);
            image.set(x, y, glaze, glaze, glaze);
        }
    }
    return image;
}

// Dark iron plate: a raised border with rivets all round, a seam across the middle, brushed
// grain. Its height field gives the normal map; its worn, raised parts shine most.
constexpr int plateSize = 128;
double plateHeight(int x, int y) {
    const int border = 10;
    const int fromEdge = std::min(std::min(x, plateSize - 1 - x), std::min(y, plateSize - 1 - y));
    double h = 0.3;
    if (fromEdge < border) {
        h = fromEdge < 2 ? 0.45 : 0.65;
    }
    if (std::abs(y - plateSize / 2) < 2) {
        h = 0.15;
    }
    // Rivets every 16 texels along the border's middle.
    const int along = fromEdge == std::min(x, plateSize - 1 - x) ? y : x;
    const double cx = std::abs((along % 16) - 8.0);
    const double cy = std::abs(fromEdge - border / 2.0);
    const double r = std::sqrt(cx * cx + cy * cy);
    if (r < 3.5) {
        h = std::max(h, 0.65 + 0.3 * std::sqrt(1.0 - (r / 3.5) * (r / 3.5)));
    }
    return h;
}

Image ironPlate() {
    Image image(plateSize, plateSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double brushed = valueNoise(x / 32.0, y * 2.0, 64, 51);
            const double rust = fractalNoise(x, y, plateSize, 53);
            const double shade = 0.22 + 0.1 * brushed + 0.12 * plateHeight(x, y);
            const double warm = std::max(0.0, rust - 0.6) * 0.5;
            image.set(x, y, shade + warm, shade + 0.4 * warm, shade * 0.95);
        }
    }
    return image;
}

Image ironPlateNormal() {
    HeightField field(plateSize);
    for (int y = 0; y < plateSize; ++y) {
        for (int x = 0; x < plateSize; ++x) {
            field.at(x, y) = plateHeight(x, y) + 0.02 * valueNoise(x / 32.0, y * 2.0, 64, 51);
        }
    }
    return normalMap(field, 6.0);
}

Image ironPlateSpecular() {
    Image image(plateSize, plateSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double wear = 0.25 + 0.7 * std::max(0.0, plateHeight(x, y) - 0.3) +
                                0.15 * valueNoise(x / 32.0, y * 2.0, 64, 51);
            image.set(x, y, wear, wear, wear * 0.95);
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
    ok &= data.writeImage("textures/tiles_bump.bmp", tilesBump());
    ok &= data.writeImage("textures/tiles_spec.bmp", tilesSpecular());
    ok &= data.writeImage("textures/checker.bmp", checker());
    ok &= data.writeImage("textures/checker_spec.bmp", checkerSpecular());
    ok &= data.writeImage("textures/stone.bmp", stone());
    ok &= data.writeImage("textures/stone_normal.bmp", normalMap(stoneHeights(), 5.0));
    ok &= data.writeImage("textures/plaster.bmp", plaster());
    ok &= data.writeImage("textures/crate.bmp", crateTexture());
    // The gear trains' plates: the gallery's wide one and the hall's and vault's.
    ok &= data.writeText("gearplate_wide.obj",
                         plate(6.4, 3.2, 0.04,
                               "Mounting plate, 6.4 x 3.2 x 0.04: its back on z = 0, facing +z, "
                               "centred on the origin in x and y"));
    ok &= data.writeText("gearplate.obj",
                         plate(3.6, 2.8, 0.04,
                               "Mounting plate, 3.6 x 2.8 x 0.04: its back on z = 0, facing +z, "
                               "centred on the origin in x and y"));
    ok &= data.writeImage("textures/ironplate.bmp", ironPlate());
    ok &= data.writeImage("textures/ironplate_normal.bmp", ironPlateNormal());
    ok &= data.writeImage("textures/ironplate_spec.bmp", ironPlateSpecular());
    return ok ? 0 : 1;
}
