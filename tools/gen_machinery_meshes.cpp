// Writes the meshes and the textures the demo's effects use: the unit cog wheel "kugghjul.obj"
// and the unit axle "axel.obj" of the gear trains with their material library "machinery.mtl"
// (machined metal: a specular and a normal map of turning marks), the cubes of the cube grids
// with "cube.mtl" (the unit "cube.obj", the show's 0.8 "gridcube.obj" in copper panels with a
// bump and a specular map, and the 0.4 "lantern.obj" that glows through its panes), and the
// billboard picture "textures/emblem.bmp". Run from the repository root (or pass the data
// directory as the only argument); the output is the same on every run.
//
// The gear parts are unit parts, scaled by their entities: radius 1 in the X-Y plane, depth 1
// along Z, centred on the origin. The wheel's radius 1 is its pitch circle, where two meshing
// wheels touch, so the teeth reach a little beyond it and interleave with a neighbour's.

#include "support/DataDirectory.h"
#include "support/Image.h"
#include "support/ObjWriter.h"
#include "support/Vec.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

using ZemTools::Image;
using ZemTools::ObjWriter;
using ZemTools::Vec;
using Corner = ZemTools::ObjWriter::Corner;

namespace {

constexpr double pi = 3.14159265358979323846;

// Every mesh is written with five decimals.
constexpr int decimals = 5;

// Each normal the meshes name, of unit length.
std::size_t unitNormal(ObjWriter& obj, const Vec& n) {
    return obj.normal(ZemTools::normalised(n));
}

// A point of a closed outline in the X-Y plane.
struct OutlinePoint {
    double angle;
    double radius;
    Vec at(double z) const { return {radius * std::cos(angle), radius * std::sin(angle), z}; }
};

// Planar mapping of the caps: the unit disc onto the middle of the texture.
std::pair<double, double> capTexCoord(const Vec& p, double reach) {
    return {0.5 + 0.5 * p.x / reach, 0.5 + 0.5 * p.y / reach};
}

// The flat annulus between two outlines of equal length at height z, facing +z or -z.
void cap(ObjWriter& obj, const std::vector<OutlinePoint>& inner,
         const std::vector<OutlinePoint>& outer, double z, double reach) {
    const bool front = z > 0.0;
    const std::size_t n = unitNormal(obj, {0.0, 0.0, front ? 1.0 : -1.0});
    const auto corner = [&](const OutlinePoint& point) {
        const Vec p = point.at(z);
        const auto uv = capTexCoord(p, reach);
        return Corner{obj.position(p), obj.texCoord(uv.first, uv.second), n};
    };
    for (std::size_t i = 0; i < outer.size(); ++i) {
        const std::size_t next = (i + 1) % outer.size();
        const Corner a = corner(inner[i]);
        const Corner b = corner(outer[i]);
        const Corner c = corner(outer[next]);
        const Corner d = corner(inner[next]);
        if (front) {
            obj.face({a, b, c, d});
        } else {
            obj.face({a, d, c, b});
        }
    }
}

// The band of quads swept by an outline from z = -0.5 to 0.5. Facing outward with a flat
// normal per segment, or inward with smooth radial normals (a bore).
void band(ObjWriter& obj, const std::vector<OutlinePoint>& outline, bool outward) {
    const std::size_t count = outline.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t next = (i + 1) % count;
        const Vec b0 = outline[i].at(-0.5);
        const Vec b1 = outline[next].at(-0.5);
        const Vec f0 = outline[i].at(0.5);
        const Vec f1 = outline[next].at(0.5);
        const double u0 = static_cast<double>(i) / count;
        const double u1 = static_cast<double>(i + 1) / count;
        const std::size_t tb0 = obj.texCoord(u0, 0.0);
        const std::size_t tb1 = obj.texCoord(u1, 0.0);
        const std::size_t tf0 = obj.texCoord(u0, 1.0);
        const std::size_t tf1 = obj.texCoord(u1, 1.0);
        if (outward) {
            const std::size_t n = unitNormal(obj, {b1.y - b0.y, b0.x - b1.x, 0.0});
            obj.face({{obj.position(b0), tb0, n},
                      {obj.position(b1), tb1, n},
                      {obj.position(f1), tf1, n},
                      {obj.position(f0), tf0, n}});
        } else {
            const std::size_t n0 = unitNormal(obj, {-b0.x, -b0.y, 0.0});
            const std::size_t n1 = unitNormal(obj, {-b1.x, -b1.y, 0.0});
            obj.face({{obj.position(b1), tb1, n1},
                      {obj.position(b0), tb0, n0},
                      {obj.position(f0), tf0, n0},
                      {obj.position(f1), tf1, n1}});
        }
    }
}

// A wheel of 16 teeth about a bore for the axle.
std::string cogWheel() {
    const int teeth = 16;
    const double root = 0.92;
    const double tip = 1.08;
    const double bore = 0.2;
    // One tooth period: the root, the rising flank, the flat tip, the falling flank.
    const double fractions[5] = {0.0, 0.2, 0.35, 0.65, 0.8};
    const double radii[5] = {root, root, tip, tip, root};

    std::vector<OutlinePoint> outline;
    std::vector<OutlinePoint> hole;
    for (int k = 0; k < teeth; ++k) {
        for (int i = 0; i < 5; ++i) {
            const double angle = 2.0 * pi * (k + fractions[i]) / teeth;
            outline.push_back({angle, radii[i]});
            hole.push_back({angle, bore});
        }
    }
    ObjWriter obj("machinery.mtl", decimals);
    obj.beginGroup("wheel", "cogmetal");
    cap(obj, hole, outline, 0.5, tip);
    cap(obj, hole, outline, -0.5, tip);
    band(obj, outline, true);
    band(obj, hole, false);
    return obj.text("Cog wheel: pitch radius 1 in the X-Y plane, 16 teeth, z -0.5..0.5, bore 0.2");
}

// A closed cylinder: radius 1, z -0.5..0.5.
std::string axle() {
    const int sides = 24;
    ObjWriter obj("machinery.mtl", decimals);
    obj.beginGroup("axle", "axlesteel");
    std::vector<std::size_t> back;
    std::vector<std::size_t> front;
    std::vector<std::size_t> sideNormals;
    for (int i = 0; i < sides; ++i) {
        const double angle = 2.0 * pi * i / sides;
        const Vec out{std::cos(angle), std::sin(angle), 0.0};
        back.push_back(obj.position({out.x, out.y, -0.5}));
        front.push_back(obj.position({out.x, out.y, 0.5}));
        sideNormals.push_back(unitNormal(obj, out));
    }
    for (int i = 0; i < sides; ++i) {
        const int next = (i + 1) % sides;
        const std::size_t tb0 = obj.texCoord(static_cast<double>(i) / sides, 0.0);
        const std::size_t tb1 = obj.texCoord(static_cast<double>(i + 1) / sides, 0.0);
        const std::size_t tf0 = obj.texCoord(static_cast<double>(i) / sides, 1.0);
        const std::size_t tf1 = obj.texCoord(static_cast<double>(i + 1) / sides, 1.0);
        obj.face({{back[i], tb0, sideNormals[i]},
                  {back[next], tb1, sideNormals[next]},
                  {front[next], tf1, sideNormals[next]},
                  {front[i], tf0, sideNormals[i]}});
    }
    for (const bool isFront : {true, false}) {
        const double z = isFront ? 0.5 : -0.5;
        const std::size_t centre = obj.position({0.0, 0.0, z});
        const std::size_t centreTex = obj.texCoord(0.5, 0.5);
        const std::size_t n = unitNormal(obj, {0.0, 0.0, isFront ? 1.0 : -1.0});
        const std::vector<std::size_t>& ring = isFront ? front : back;
        for (int i = 0; i < sides; ++i) {
            const int next = (i + 1) % sides;
            const double a0 = 2.0 * pi * i / sides;
            const double a1 = 2.0 * pi * next / sides;
            const std::size_t t0 = obj.texCoord(0.5 + 0.5 * std::cos(a0), 0.5 + 0.5 * std::sin(a0));
            const std::size_t t1 = obj.texCoord(0.5 + 0.5 * std::cos(a1), 0.5 + 0.5 * std::sin(a1));
            if (isFront) {
                obj.face({{centre, centreTex, n}, {ring[i], t0, n}, {ring[next], t1, n}});
            } else {
                obj.face({{centre, centreTex, n}, {ring[next], t1, n}, {ring[i], t0, n}});
            }
        }
    }
    return obj.text("Axle: a cylinder of radius 1 about Z, z -0.5..0.5");
}

// A cube of side `side` centred on the origin, faces outward, each face showing the whole
// texture once.
std::string cube(double side, const std::string& material, const std::string& comment) {
    ObjWriter obj("cube.mtl", decimals);
    obj.beginGroup("cube", material);
    // Each face: its normal and two edge directions u, v with u x v = normal.
    const Vec faces[6][3] = {
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    };
    for (const auto& f : faces) {
        const Vec& n = f[0];
        const Vec& u = f[1];
        const Vec& v = f[2];
        const std::size_t normal = unitNormal(obj, n);
        const double corners[4][2] = {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}};
        std::vector<Corner> face;
        for (const auto& c : corners) {
            const Vec p =
                Vec{0.5 * n.x + c[0] * u.x + c[1] * v.x, 0.5 * n.y + c[0] * u.y + c[1] * v.y,
                    0.5 * n.z + c[0] * u.z + c[1] * v.z} *
                side;
            face.push_back({obj.position(p), obj.texCoord(c[0] + 0.5, c[1] + 0.5), normal});
        }
        obj.face(face);
    }
    return obj.text(comment);
}

// Brass wheels: a darker body so the turning marks' highlights read, and a specular map that
// makes them glint ring by ring as the wheel turns.
const char* const machineryLibrary = "# Metals of the gear trains\n"
                                     "newmtl cogmetal\n"
                                     "Kd 0.5 0.42 0.28\n"
                                     "Ks 0.75 0.68 0.5\n"
                                     "Ns 48\n"
                                     "map_Ks cog_spec.bmp\n"
                                     "map_Normal cog_normal.bmp\n"
                                     "newmtl axlesteel\n"
                                     "Kd 0.35 0.37 0.4\n"
                                     "Ks 0.8 0.82 0.85\n"
                                     "Ns 96\n";

// The plain cube; the copper panels of the grids; the lanterns, whose panes glow (Ka) through
// their texture.
const char* const cubeLibrary = "# Materials of the cube grids\n"
                                "newmtl cube\n"
                                "Kd 0.7 0.3 0.18\n"
                                "Ks 0.4 0.35 0.3\n"
                                "Ns 32\n"
                                "newmtl copperpanel\n"
                                "Kd 1 1 1\n"
                                "Ks 0.9 0.7 0.5\n"
                                "Ns 40\n"
                                "map_Kd copperpanel.bmp\n"
                                "map_Ks copperpanel_spec.bmp\n"
                                "map_Bump copperpanel_bump.bmp\n"
                                "newmtl lantern\n"
                                "Ka 0.6 0.6 0.6\n"
                                "Kd 0.6 0.6 0.6\n"
                                "Ks 0.3 0.3 0.3\n"
                                "Ns 16\n"
                                "map_Kd lantern.bmp\n";

// Turning marks of a machined face: fine concentric rings about the centre of the texture, where
// the cog's axis is, a little uneven, and a chamfered ring near the rim.
constexpr int cogTextureSize = 128;
double turningHeight(int x, int y) {
    const double dx = (x + 0.5) / (cogTextureSize / 2.0) - 1.0;
    const double dy = (y + 0.5) / (cogTextureSize / 2.0) - 1.0;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double rings = 0.5 + 0.5 * std::sin(r * 90.0 + 2.0 * std::sin(r * 7.0));
    const double chamfer = r > 0.74 && r < 0.8 ? 0.6 : 0.0;
    const double hub = r < 0.34 ? 0.5 : 0.0;
    return 0.3 * rings + chamfer + hub;
}

Image cogSpecular() {
    Image image(cogTextureSize, cogTextureSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double shine = 0.35 + 0.65 * turningHeight(x, y) / 1.1;
            image.set(x, y, shine, shine, shine * 0.92);
        }
    }
    return image;
}

Image cogNormal() {
    Image image(cogTextureSize, cogTextureSize);
    const auto h = [](int x, int y) {
        return turningHeight(std::min(std::max(x, 0), cogTextureSize - 1),
                             std::min(std::max(y, 0), cogTextureSize - 1));
    };
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double dx = 0.5 * (h(x + 1, y) - h(x - 1, y)) * 1.5;
            const double dy = 0.5 * (h(x, y + 1) - h(x, y - 1)) * 1.5;
            const Vec n = ZemTools::normalised({-dx, -dy, 1.0});
            image.set(x, y, 0.5 + 0.5 * n.x, 0.5 + 0.5 * n.y, 0.5 + 0.5 * n.z);
        }
    }
    return image;
}

// A cube face of copper: a raised frame with a rivet in each corner round a sunken field that
// holds a raised diamond. The height field makes the bump map; the frame and the diamond are
// polished, the field patinated.
constexpr int panelSize = 64;
double panelHeight(int x, int y) {
    const int fromEdge = std::min(std::min(x, panelSize - 1 - x), std::min(y, panelSize - 1 - y));
    if (fromEdge < 2) {
        return 0.5;
    }
    if (fromEdge < 7) {
        return 0.9;
    }
    const double cx = std::abs(x + 0.5 - panelSize / 2.0);
    const double cy = std::abs(y + 0.5 - panelSize / 2.0);
    const double diamond = cx + cy;
    if (diamond < 14.0) {
        return 0.95 - 0.02 * diamond;
    }
    return fromEdge < 9 ? 0.55 : 0.35;
}

Image copperPanel() {
    Image image(panelSize, panelSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double h = panelHeight(x, y);
            const double raised = h > 0.6 ? 1.0 : 0.0;
            const double patina = raised > 0.0 ? 0.0 : 0.5 + 0.5 * std::sin(0.3 * x + 0.2 * y);
            // Copper, greening a little in the field.
            const double r = 0.78 - 0.25 * patina * 0.4 + 0.08 * raised;
            const double g = 0.36 + 0.1 * patina * 0.4 + 0.06 * raised;
            const double b = 0.2 + 0.06 * patina * 0.4;
            image.set(x, y, r, g, b);
        }
    }
    return image;
}

Image copperPanelBump() {
    Image image(panelSize, panelSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double h = panelHeight(x, y);
            image.set(x, y, h, h, h);
        }
    }
    return image;
}

Image copperPanelSpecular() {
    Image image(panelSize, panelSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double shine = panelHeight(x, y) > 0.6 ? 1.0 : 0.3;
            image.set(x, y, shine, shine, shine);
        }
    }
    return image;
}

// A lantern's side: a dark iron frame and cross bars round four panes lit from within, warmer in
// the middle.
Image lanternFace() {
    Image image(64, 64);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int fromEdge = std::min(std::min(x, 63 - x), std::min(y, 63 - y));
            const bool bar = std::abs(x - 32) < 2 || std::abs(y - 32) < 2;
            if (fromEdge < 5 || bar) {
                image.set(x, y, 0.08, 0.07, 0.06);
                continue;
            }
            const double dx = (x - 31.5) / 32.0;
            const double dy = (y - 31.5) / 32.0;
            const double warmth = 1.0 - 0.5 * (dx * dx + dy * dy);
            image.set(x, y, 1.0 * warmth, 0.62 * warmth, 0.25 * warmth);
        }
    }
    return image;
}

// A sun with rays inside a thin frame on deep blue, for a billboard twice as wide as high.
Image emblem() {
    Image image(128, 64);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double dx = (x + 0.5 - 64.0) / 32.0;
            const double dy = (y + 0.5 - 32.0) / 32.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            const double angle = std::atan2(dy, dx);
            const bool frame = x < 3 || x >= 125 || y < 3 || y >= 61;
            double red = 0.05 + 0.1 * (y / 64.0);
            double green = 0.08 + 0.12 * (y / 64.0);
            double blue = 0.25 + 0.2 * (y / 64.0);
            const double ray = std::pow(0.5 + 0.5 * std::cos(12.0 * angle), 8.0);
            const double rays = ray * std::exp(-2.0 * r) * (r > 0.45 ? 1.0 : 0.0);
            red += 1.0 * rays;
            green += 0.75 * rays;
            blue += 0.3 * rays;
            if (r < 0.45) {
                const double core = 1.0 - r / 0.45;
                red = 1.0;
                green = 0.7 + 0.3 * core;
                blue = 0.25 + 0.6 * core;
            }
            if (frame) {
                red = 0.85;
                green = 0.7;
                blue = 0.35;
            }
            image.set(x, y, red, green, blue);
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    const ZemTools::DataDirectory data(argc, argv);
    bool ok = true;
    ok &= data.writeText("machinery.mtl", machineryLibrary);
    ok &= data.writeText("kugghjul.obj", cogWheel());
    ok &= data.writeText("axel.obj", axle());
    ok &= data.writeImage("textures/cog_spec.bmp", cogSpecular());
    ok &= data.writeImage("textures/cog_normal.bmp", cogNormal());
    ok &= data.writeText("cube.mtl", cubeLibrary);
    ok &= data.writeText("cube.obj", cube(1.0, "cube", "Cube: side 1, centred on the origin"));
    ok &= data.writeText("gridcube.obj",
                         cube(0.8, "copperpanel", "Copper cube: side 0.8, centred on the origin"));
    ok &= data.writeText(
        "lantern.obj", cube(0.4, "lantern", "Lantern: a cube of side 0.4, centred on the origin"));
    ok &= data.writeImage("textures/copperpanel.bmp", copperPanel());
    ok &= data.writeImage("textures/copperpanel_bump.bmp", copperPanelBump());
    ok &= data.writeImage("textures/copperpanel_spec.bmp", copperPanelSpecular());
    ok &= data.writeImage("textures/lantern.bmp", lanternFace());
    ok &= data.writeImage("textures/emblem.bmp", emblem());
    return ok ? 0 : 1;
}
