#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ShaderObject.h"

#include "ResourceTestSupport.h"

namespace {

using namespace Zem::Resource;
using GLSLVertexProgramLoaderTest = ZemTest::GLTest;

TEST_F(GLSLVertexProgramLoaderTest, AGlvpFileLoadsAsAVertexShader) {
    GLSLVertexProgramLoader loader;
    const ZemTest::ResourceScope files{&loader};
    files.write("plain.glvp", "void main() { gl_Position = ftransform(); }");
    ResourceTest::clearGLErrors();
    const auto* shader = files.manager.get<ShaderObject>("plain.glvp");
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(ResourceTest::shaderValue(shader->shader, GL_SHADER_TYPE), GL_VERTEX_SHADER);
}

} // namespace
