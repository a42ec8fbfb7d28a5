#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/ShaderObject.h"

#include "ResourceTestSupport.h"

namespace {

using namespace Zem::Resource;
using GLSLFragmentProgramLoaderTest = ZemTest::GLTest;

// Its log has been reported; the program linked from it fails instead.
TEST_F(GLSLFragmentProgramLoaderTest, AGlfpFileThatDoesNotCompileStillLoadsAsAFragmentShader) {
    GLSLFragmentProgramLoader loader;
    const ZemTest::ResourceScope files{&loader};
    files.write("broken.glfp", "void main() { gl_FragColor = vec4(1.0) }\n");
    ResourceTest::clearGLErrors();
    const ZemTest::ReportRecorder recorder;
    const auto* shader = files.manager.get<ShaderObject>("broken.glfp");
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(ResourceTest::shaderValue(shader->shader, GL_SHADER_TYPE), GL_FRAGMENT_SHADER);
    EXPECT_EQ(recorder.text().find("Unable to load"), std::string::npos) << recorder.text();
}

} // namespace
