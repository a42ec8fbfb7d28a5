#include "resource/ShaderObject.h"

#include "ResourceTestSupport.h"

namespace {

using ResourceTest::shaderValue;
using Zem::Resource::ShaderObject;

class ShaderObjectTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        ResourceTest::clearGLErrors();
    }
    static std::unique_ptr<ShaderObject> compileVertex() {
        return ShaderObject::compile("void main() { gl_Position = ftransform(); }",
                                     GL_VERTEX_SHADER);
    }
    // A GL_INVALID_ENUM left by earlier work: not a capability.
    static void leaveAGLError() { glEnable(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING); }

    const std::string broken = "void main() { gl_FragColor = vec4(1.0) }\n";
    // Every report of the test, compile logs among them.
    ZemTest::ReportRecorder reports;
};

TEST_F(ShaderObjectTest, ACleanCompileReportsNothing) {
    EXPECT_NE(compileVertex(), nullptr);
    EXPECT_EQ(reports.text(), "");
}

TEST_F(ShaderObjectTest, ASourceThatDoesNotCompileStillGivesAShader) {
    const auto shader = ShaderObject::compile(broken, GL_FRAGMENT_SHADER);
    ASSERT_NE(shader, nullptr);
    EXPECT_FALSE(shader->compiled);
    EXPECT_EQ(shaderValue(shader->shader, GL_COMPILE_STATUS), GL_FALSE);
}

TEST_F(ShaderObjectTest, TheCompileLogIsReported) {
    ShaderObject::compile(broken, GL_FRAGMENT_SHADER);
    EXPECT_NE(reports.text().find("error"), std::string::npos) << reports.text();
}

TEST_F(ShaderObjectTest, AGLErrorStillPendingGivesNoShader) {
    leaveAGLError();
    EXPECT_EQ(compileVertex(), nullptr);
}

TEST_F(ShaderObjectTest, APendingGLErrorSpoilsOnlyTheNextCompile) {
    leaveAGLError();
    compileVertex();
    EXPECT_NE(compileVertex(), nullptr);
}

TEST_F(ShaderObjectTest, WithoutTheShaderFunctionsThereIsNoShader) {
    const PFNGLCREATESHADERPROC createShader = __glewCreateShader;
    __glewCreateShader = nullptr;
    const auto shader = compileVertex();
    __glewCreateShader = createShader;
    EXPECT_EQ(shader, nullptr);
}

} // namespace
