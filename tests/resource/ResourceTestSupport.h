#pragma once

// What most tests of the resource layer use: gtest, the GL context, recorded reports, a resource
// manager over a temporary directory, and a few sample files.

#include "resource/MeshGroup.h"
#include "resource/computeTangentFrame.h"
#include "support/GLContext.h"
#include "support/ReportRecorder.h"
#include "support/ResourceScope.h"
#include "support/mentions.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ResourceTest {

// A unit square in the XY plane, one "vt" and "vn" per corner: its lines 1 to 12.
inline const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                  "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                  "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";
inline const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

using ZemTest::mentions;

inline void putLittleEndian(std::string& bytes, std::size_t at, uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = char((value >> (8 * i)) & 0xff);
    }
}

// A 24-bit BMP storing pixel (x, file row) as blue x, green row, red 0x80 + x + row; padding 0xEE.
inline std::string bmpFile(int32_t width, int32_t height, uint32_t infoSize = 40,
                           uint32_t pixelsAt = 54) {
    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    const std::size_t rows = std::size_t(height < 0 ? -height : height);
    std::string file(pixelsAt + rows * stride, char(0xEE));
    file.replace(0, pixelsAt, "BM" + std::string(pixelsAt - 2, '\0'));
    putLittleEndian(file, 2, uint32_t(file.size()));
    putLittleEndian(file, 10, pixelsAt);
    putLittleEndian(file, 14, infoSize);
    putLittleEndian(file, 18, uint32_t(width));
    putLittleEndian(file, 22, uint32_t(height));
    putLittleEndian(file, 26, 1, 2);
    putLittleEndian(file, 28, 24, 2);
    for (std::size_t row = 0; row < rows; ++row) {
        for (int x = 0; x < width; ++x) {
            putLittleEndian(file, pixelsAt + row * stride + std::size_t(x) * 3,
                            uint32_t(x | row << 8 | (0x80 + x + row) << 16), 3);
        }
    }
    return file;
}

// A square from (x0, y0) to (x1, y1) in clip space, facing +Z, with its tangent frame.
inline std::unique_ptr<Zem::Resource::MeshGroup> squareGroup(float x0, float y0, float x1,
                                                             float y1) {
    auto group = std::make_unique<Zem::Resource::MeshGroup>();
    group->positions = {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y1, 0};
    group->normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    group->texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    group->indices = {0, 1, 2, 0, 2, 3};
    Zem::Resource::computeTangentFrame(group->positions, group->texCoords, group->normals,
                                       group->indices, group->tangents, group->binormals);
    group->flags |= Zem::Resource::MeshGroup::Tangents;
    return group;
}

inline GLint shaderValue(GLuint shader, GLenum value) {
    GLint result = -1;
    glGetShaderiv(shader, value, &result);
    return result;
}

// GL errors left by earlier tests would be taken for this one's.
inline void clearGLErrors() {
    while (glGetError() != GL_NO_ERROR) {
    }
}

} // namespace ResourceTest
