#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ShaderObject.h"

#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace Zem::Resource;

class ShaderLoaderTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        while (glGetError() != GL_NO_ERROR) {
        }
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        manager.registerLoader(&vertexLoader);
        manager.registerLoader(&fragmentLoader);
        std::ofstream(dir.file("plain.glvp")) << "void main() { gl_Position = ftransform(); }";
        std::ofstream(dir.file("plain.glfp")) << "void main() { gl_FragColor = vec4(1.0); }\n";
        std::ofstream(dir.file("broken.glfp")) << "void main() { gl_FragColor = vec4(1.0) }\n";
    }
    void TearDown() override { manager.reset(); }

    static GLint shaderValue(const ShaderObject* object, GLenum value) {
        GLint result = -1;
        glGetShaderiv(object->shader, value, &result);
        return result;
    }

    ResourceManager& manager = ResourceManager::instance();
    ZemTest::TempDir dir;
    GLSLVertexProgramLoader vertexLoader;
    GLSLFragmentProgramLoader fragmentLoader;
};

TEST_F(ShaderLoaderTest, EachKindCompilesAndASyntaxErrorStillGivesAShaderAndItsLog) {
    testing::internal::CaptureStdout();
    auto* vertex = manager.get<ShaderObject>("plain.glvp");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(vertex, nullptr);
    EXPECT_EQ(shaderValue(vertex, GL_SHADER_TYPE), GL_VERTEX_SHADER);

    testing::internal::CaptureStdout();
    auto* broken = manager.get<ShaderObject>("broken.glfp");
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(shaderValue(broken, GL_SHADER_TYPE), GL_FRAGMENT_SHADER);
    EXPECT_EQ(shaderValue(broken, GL_COMPILE_STATUS), GL_FALSE);
    EXPECT_EQ(out.find("Unable to load"), std::string::npos);
    EXPECT_NE(out.find("error"), std::string::npos) << out;
}

TEST_F(ShaderLoaderTest, PendingGLErrorOrMissingShaderFunctionsGiveNull) {
    glEnable(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING); // not a capability: GL_INVALID_ENUM
    testing::internal::CaptureStdout();
    EXPECT_EQ(manager.get("plain.glvp"), nullptr);
    const PFNGLCREATESHADERPROC createShader = __glewCreateShader;
    __glewCreateShader = nullptr;
    Resource* withoutFunctions = manager.get("plain.glfp");
    __glewCreateShader = createShader;
    EXPECT_EQ(withoutFunctions, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Unable to load plain.glvp\nUnable to load plain.glfp\n");
    EXPECT_EQ(manager.get("plain.glvp"), nullptr) << "a failure is remembered";
    manager.clear();
    EXPECT_NE(manager.get("plain.glvp"), nullptr) << "nothing was left pending or cached";
}

} // namespace
