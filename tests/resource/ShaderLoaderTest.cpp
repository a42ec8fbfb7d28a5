#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ShaderObject.h"

#include "support/GLContext.h"
#include "support/ResourceScope.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using namespace Zem::Resource;

class ShaderLoaderTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        while (glGetError() != GL_NO_ERROR) {
        }
        files.write("plain.glvp", "void main() { gl_Position = ftransform(); }");
        files.write("plain.glfp", "void main() { gl_FragColor = vec4(1.0); }\n");
        files.write("broken.glfp", "void main() { gl_FragColor = vec4(1.0) }\n");
    }

    static GLint shaderValue(const ShaderObject* object, GLenum value) {
        GLint result = -1;
        glGetShaderiv(object->shader, value, &result);
        return result;
    }

    GLSLVertexProgramLoader vertexLoader;
    GLSLFragmentProgramLoader fragmentLoader;
    ZemTest::ResourceScope files{&vertexLoader, &fragmentLoader};
    ResourceManager& manager = files.manager;
};

TEST_F(ShaderLoaderTest, EachKindCompilesAndASyntaxErrorStillGivesAShaderAndItsLog) {
    ShaderObject* vertex = nullptr;
    EXPECT_EQ(ZemTest::reportsOf([&] { vertex = manager.get<ShaderObject>("plain.glvp"); }), "");
    ASSERT_NE(vertex, nullptr);
    EXPECT_EQ(shaderValue(vertex, GL_SHADER_TYPE), GL_VERTEX_SHADER);

    ZemTest::captureReports();
    auto* broken = manager.get<ShaderObject>("broken.glfp");
    const std::string out = ZemTest::takeReports();
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(shaderValue(broken, GL_SHADER_TYPE), GL_FRAGMENT_SHADER);
    EXPECT_EQ(shaderValue(broken, GL_COMPILE_STATUS), GL_FALSE);
    EXPECT_EQ(out.find("Unable to load"), std::string::npos);
    EXPECT_NE(out.find("error"), std::string::npos) << out;
}

TEST_F(ShaderLoaderTest, PendingGLErrorOrMissingShaderFunctionsGiveNull) {
    glEnable(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING); // not a capability: GL_INVALID_ENUM
    ZemTest::captureReports();
    EXPECT_EQ(manager.get("plain.glvp"), nullptr);
    const PFNGLCREATESHADERPROC createShader = __glewCreateShader;
    __glewCreateShader = nullptr;
    Resource* withoutFunctions = manager.get("plain.glfp");
    __glewCreateShader = createShader;
    EXPECT_EQ(withoutFunctions, nullptr);
    const std::string reports = ZemTest::takeReports();
    EXPECT_NE(reports.find("Unable to load plain.glvp\n"), std::string::npos) << reports;
    EXPECT_NE(reports.find("Unable to load plain.glfp\n"), std::string::npos) << reports;
    manager.clear();
    EXPECT_NE(manager.get("plain.glvp"), nullptr) << "nothing was left pending or cached";
}

} // namespace
