#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ShaderObject.h"

#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace Zem::Resource;

TEST(ShaderSourceTest, EveryLineEndsInALineFeed) {
    std::istringstream noFinalBreak("void main()\r\n{\n}");
    EXPECT_EQ(ShaderObject::readSource(noFinalBreak), "void main()\r\n{\n}\n");
    std::istringstream emptyLines("a\n\nb\n");
    EXPECT_EQ(ShaderObject::readSource(emptyLines), "a\n\nb\n");
}

class ShaderLoaderTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        while (glGetError() != GL_NO_ERROR) {
        }
        ResourceManager& manager = ResourceManager::instance();
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        manager.registerLoader(&vertexLoader);
        manager.registerLoader(&fragmentLoader);
    }
    void TearDown() override { ResourceManager::instance().reset(); }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }

    static GLint shaderValue(const ShaderObject* object, GLenum value) {
        GLint result = -1;
        glGetShaderiv(object->shader, value, &result);
        return result;
    }

    ZemTest::TempDir dir;
    GLSLVertexProgramLoader vertexLoader;
    GLSLFragmentProgramLoader fragmentLoader;
};

TEST_F(ShaderLoaderTest, EachExtensionCompilesItsKindOfShader) {
    write("plain.glvp", "#version 120\nvoid main()\n{\n    gl_Position = ftransform();\n}");
    write("plain.glfp", "#version 120\r\nvoid main() { gl_FragColor = vec4(1.0); }\r\n");
    testing::internal::CaptureStdout();
    auto* vertex = ResourceManager::instance().get<ShaderObject>("plain.glvp");
    auto* fragment = ResourceManager::instance().get<ShaderObject>("plain.glfp");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(vertex, nullptr);
    ASSERT_NE(fragment, nullptr);
    EXPECT_EQ(shaderValue(vertex, GL_SHADER_TYPE), GL_VERTEX_SHADER);
    EXPECT_EQ(shaderValue(fragment, GL_SHADER_TYPE), GL_FRAGMENT_SHADER);
    EXPECT_EQ(shaderValue(vertex, GL_COMPILE_STATUS), GL_TRUE);
    EXPECT_EQ(shaderValue(fragment, GL_COMPILE_STATUS), GL_TRUE);

    const GLuint name = vertex->shader;
    ResourceManager::instance().release(vertex);
    EXPECT_FALSE(glIsShader(name)) << "deleted with its resource";
}

TEST_F(ShaderLoaderTest, SyntaxErrorStillGivesAShaderAndPrintsTheLog) {
    write("broken.glfp", "#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n");
    testing::internal::CaptureStdout();
    auto* shader = ResourceManager::instance().get<ShaderObject>("broken.glfp");
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(shaderValue(shader, GL_COMPILE_STATUS), GL_FALSE);
    EXPECT_GT(out.size(), 1u);
    EXPECT_EQ(out.find("Unable to load"), std::string::npos);
    EXPECT_EQ(out.back(), '\n');
    EXPECT_NE(out.find("error"), std::string::npos) << out;
}

TEST_F(ShaderLoaderTest, PendingGLErrorRefusesTheSource) {
    write("plain.glvp", "void main() { gl_Position = ftransform(); }\n");
    glEnable(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING); // not a capability: GL_INVALID_ENUM
    testing::internal::CaptureStdout();
    EXPECT_EQ(ResourceManager::instance().get("plain.glvp"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to load plain.glvp\n");
    EXPECT_FALSE(ResourceManager::instance().isCached("plain.glvp"));
    // Nothing was left pending, so the next request loads.
    EXPECT_NE(ResourceManager::instance().get("plain.glvp"), nullptr);
}

TEST_F(ShaderLoaderTest, ContextWithoutShaderFunctionsGivesNull) {
    write("plain.glvp", "void main() { gl_Position = ftransform(); }\n");
    const PFNGLCREATESHADERPROC createShader = __glewCreateShader;
    __glewCreateShader = nullptr;
    testing::internal::CaptureStdout();
    Resource* shader = ResourceManager::instance().get("plain.glvp");
    const std::string out = testing::internal::GetCapturedStdout();
    __glewCreateShader = createShader;
    EXPECT_EQ(shader, nullptr);
    EXPECT_EQ(out, "Unable to load plain.glvp\n");
}

} // namespace
