// Writes the meshes and the texture the demo's effects use by default: the unit cog wheel
// "kugghjul.obj" and the unit axle "axel.obj" of the gear trains with their material library
// "machinery.mtl", the unit cube "cube.obj" (with "cube.mtl") of the cube grids, and the
// billboard picture "textures/emblem.bmp". Run from the repository root (or pass the data
// directory as the only argument); the output is the same on every run.
//
// The gear parts are unit parts, scaled by their entities: radius 1 in the X-Y plane, depth 1
// along Z, centred on the origin. The wheel's radius 1 is its pitch circle, where two meshing
// wheels touch, so the teeth reach a little beyond it and interleave with a neighbour's.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;

struct Vec {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

Vec normalised(const Vec& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return length > 0.0 ? Vec{v.x / length, v.y / length, v.z / length} : Vec{0.0, 1.0, 0.0};
}

// 1-based indices into the file's v, vt and vn lists.
struct Corner {
    std::size_t position;
    std::size_t texCoord;
    std::size_t normal;
};

// The statements of one OBJ file with a single group.
class ObjWriter {
public:
    ObjWriter(std::string library, std::string group, std::string material)
        : library(std::move(library)), group(std::move(group)), material(std::move(material)) {}

    std::size_t position(const Vec& p) {
        positions.push_back(p);
        return positions.size();
    }
    std::size_t texCoord(double u, double v) {
        texCoords.emplace_back(u, v);
        return texCoords.size();
    }
    std::size_t normal(const Vec& n) {
        normals.push_back(normalised(n));
        return normals.size();
    }
    // Corners counter-clockwise seen from the side the face shows.
    void face(std::vector<Corner> corners) { faces.push_back(std::move(corners)); }

    std::string text(const std::string& comment) const {
        std::ostringstream out;
        out << std::fixed << std::setprecision(5);
        out << "# " << comment << "\n";
        out << "mtllib " << library << "\n";
        for (const Vec& p : positions) {
            out << "v " << p.x << " " << p.y << " " << p.z << "\n";
        }
        for (const auto& t : texCoords) {
            out << "vt " << t.first << " " << t.second << "\n";
        }
        for (const Vec& n : normals) {
            out << "vn " << n.x << " " << n.y << " " << n.z << "\n";
        }
        out << "g " << group << "\n";
        out << "usemtl " << material << "\n";
        for (const auto& corners : faces) {
            out << "f";
            for (const Corner& c : corners) {
                out << " " << c.position << "/" << c.texCoord << "/" << c.normal;
            }
            out << "\n";
        }
        return out.str();
    }

private:
    std::string library;
    std::string group;
    std::string material;
    std::vector<Vec> positions;
    std::vector<std::pair<double, double>> texCoords;
    std::vector<Vec> normals;
    std::vector<std::vector<Corner>> faces;
};

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
    const std::size_t n = obj.normal({0.0, 0.0, front ? 1.0 : -1.0});
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
            const std::size_t n = obj.normal({b1.y - b0.y, b0.x - b1.x, 0.0});
            obj.face({{obj.position(b0), tb0, n},
                      {obj.position(b1), tb1, n},
                      {obj.position(f1), tf1, n},
                      {obj.position(f0), tf0, n}});
        } else {
            const std::size_t n0 = obj.normal({-b0.x, -b0.y, 0.0});
            const std::size_t n1 = obj.normal({-b1.x, -b1.y, 0.0});
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
    ObjWriter obj("machinery.mtl", "wheel", "cogmetal");
    cap(obj, hole, outline, 0.5, tip);
    cap(obj, hole, outline, -0.5, tip);
    band(obj, outline, true);
    band(obj, hole, false);
    return obj.text("Cog wheel: pitch radius 1 in the X-Y plane, 16 teeth, z -0.5..0.5, bore 0.2");
}

// A closed cylinder: radius 1, z -0.5..0.5.
std::string axle() {
    const int sides = 24;
    ObjWriter obj("machinery.mtl", "axle", "axlesteel");
    std::vector<std::size_t> back;
    std::vector<std::size_t> front;
    std::vector<std::size_t> sideNormals;
    for (int i = 0; i < sides; ++i) {
        const double angle = 2.0 * pi * i / sides;
        const Vec out{std::cos(angle), std::sin(angle), 0.0};
        back.push_back(obj.position({out.x, out.y, -0.5}));
        front.push_back(obj.position({out.x, out.y, 0.5}));
        sideNormals.push_back(obj.normal(out));
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
        const std::size_t n = obj.normal({0.0, 0.0, isFront ? 1.0 : -1.0});
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

// A cube of side 1 centred on the origin, faces outward.
std::string cube() {
    ObjWriter obj("cube.mtl", "cube", "cube");
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
        const std::size_t normal = obj.normal(n);
        const double corners[4][2] = {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}};
        std::vector<Corner> face;
        for (const auto& c : corners) {
            const Vec p{0.5 * n.x + c[0] * u.x + c[1] * v.x, 0.5 * n.y + c[0] * u.y + c[1] * v.y,
                        0.5 * n.z + c[0] * u.z + c[1] * v.z};
            face.push_back({obj.position(p), obj.texCoord(c[0] + 0.5, c[1] + 0.5), normal});
        }
        obj.face(face);
    }
    return obj.text("Cube: side 1, centred on the origin");
}

const char* const machineryLibrary = "# Metals of the gear trains\n"
                                     "newmtl cogmetal\n"
                                     "Kd 0.55 0.5 0.42\n"
                                     "Ks 0.9 0.85 0.7\n"
                                     "Ns 64\n"
                                     "newmtl axlesteel\n"
                                     "Kd 0.35 0.37 0.4\n"
                                     "Ks 0.8 0.82 0.85\n"
                                     "Ns 96\n";

const char* const cubeLibrary = "# Material of the cube grid\n"
                                "newmtl cube\n"
                                "Kd 0.7 0.3 0.18\n"
                                "Ks 0.4 0.35 0.3\n"
                                "Ns 32\n";

// A 24-bit image, rows bottom-up as BMP and OpenGL both store them.
struct Image {
    int width;
    int height;
    std::vector<uint8_t> rgb;

    Image(int width, int height)
        : width(width), height(height), rgb(static_cast<std::size_t>(width * height * 3), 0) {}

    void set(int x, int y, double r, double g, double b) {
        const auto channel = [](double c) {
            return static_cast<uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, c)) * 255.0));
        };
        uint8_t* pixel = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
        pixel[0] = channel(r);
        pixel[1] = channel(g);
        pixel[2] = channel(b);
    }
};

void putLittleEndian(std::ostream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

bool writeBmp(const std::string& path, const Image& image) {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        return false;
    }
    const int rowBytes = (image.width * 3 + 3) & ~3;
    const uint32_t pixelBytes = static_cast<uint32_t>(rowBytes * image.height);
    out << "BM";
    putLittleEndian(out, 54 + pixelBytes, 4);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, 54, 4);
    putLittleEndian(out, 40, 4);
    putLittleEndian(out, static_cast<uint32_t>(image.width), 4);
    putLittleEndian(out, static_cast<uint32_t>(image.height), 4);
    putLittleEndian(out, 1, 2);
    putLittleEndian(out, 24, 2);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, pixelBytes, 4);
    putLittleEndian(out, 2835, 4);
    putLittleEndian(out, 2835, 4);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, 0, 4);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* pixel = &image.rgb[static_cast<std::size_t>((y * image.width + x) * 3)];
            out.put(static_cast<char>(pixel[2]));
            out.put(static_cast<char>(pixel[1]));
            out.put(static_cast<char>(pixel[0]));
        }
        for (int pad = image.width * 3; pad < rowBytes; ++pad) {
            out.put(0);
        }
    }
    return static_cast<bool>(out);
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

bool report(bool written, const std::string& path) {
    if (!written) {
        std::cerr << "Cannot write " << path << "\n";
        return false;
    }
    std::cout << "Wrote " << path << "\n";
    return true;
}

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return report(static_cast<bool>(out), path);
}

bool writeImage(const std::string& path, const Image& image) {
    return report(writeBmp(path, image), path);
}

} // namespace

int main(int argc, char** argv) {
    std::string dataDir = argc > 1 ? argv[1] : "data";
    if (!dataDir.empty() && dataDir.back() != '/') {
        dataDir += '/';
    }
    bool ok = true;
    ok &= writeText(dataDir + "machinery.mtl", machineryLibrary);
    ok &= writeText(dataDir + "kugghjul.obj", cogWheel());
    ok &= writeText(dataDir + "axel.obj", axle());
    ok &= writeText(dataDir + "cube.mtl", cubeLibrary);
    ok &= writeText(dataDir + "cube.obj", cube());
    ok &= writeImage(dataDir + "textures/emblem.bmp", emblem());
    return ok ? 0 : 1;
}
