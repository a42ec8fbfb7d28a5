#include "graphics/ShaderRegistry.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ShaderObject.h"

#include "support/GLContext.h"
#include "support/TempDir.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>

namespace {

using Zem::Graphics::ProgramRecord;
using Zem::Graphics::ShaderRegistry;
using Zem::Resource::Reload;
using Zem::Resource::ResourceManager;

// A pass drawing with two programs owned by the test.
class TwoProgramPass : public Zem::Graphics::Shader {
public:
    void draw(Zem::Graphics::View&) override {}
    std::vector<ProgramRecord*> programs() override { return records; }
    std::vector<ProgramRecord*> records;
};

class TwoProgramFactory : public Zem::Graphics::Shader::Factory {
public:
    explicit TwoProgramFactory(std::vector<ProgramRecord*> records)
        : Factory(7, 1), records(std::move(records)) {}
    std::unique_ptr<Zem::Graphics::Shader> create() override {
        auto pass = make<TwoProgramPass>();
        static_cast<TwoProgramPass*>(pass.get())->records = records;
        return pass;
    }
    std::vector<ProgramRecord*> records;
};

class ProgramRelinkTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        manager.registerLoader(&vertexLoader);
        manager.registerLoader(&fragmentLoader);
        ASSERT_TRUE(ShaderRegistry::instance().reset());
        save("tint.glvp", "varying vec4 tint;\n"
                          "void main() { tint = vec4(1.0); gl_Position = ftransform(); }\n");
        save("tint.glfp", "varying vec4 tint;\nvoid main() { gl_FragColor = tint; }\n");
        save("plain.glvp", "void main() { gl_Position = ftransform(); }\n");
        save("plain.glfp", "void main() { gl_FragColor = vec4(1.0); }\n");
    }
    void TearDown() override {
        ShaderRegistry::instance().release(set);
        ASSERT_TRUE(ShaderRegistry::instance().reset());
        manager.reset();
    }
    void save(const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name)) << text;
    }

    ResourceManager& manager = ResourceManager::instance();
    ZemTest::TempDir dir;
    Zem::Resource::GLSLVertexProgramLoader vertexLoader;
    Zem::Resource::GLSLFragmentProgramLoader fragmentLoader;
    Zem::Graphics::PassSet* set = nullptr;
};

TEST_F(ProgramRelinkTest, OnlyProgramsOfTheChangedFileRelinkAndAFailedLinkKeepsTheOldOne) {
    ProgramRecord tinted;
    ProgramRecord plain;
    ASSERT_TRUE(Zem::Graphics::linkProgram(tinted, "tint.glvp", "tint.glfp"));
    ASSERT_TRUE(Zem::Graphics::linkProgram(plain, "plain.glvp", "plain.glfp"));
    ShaderRegistry::instance().registerFactory(
        std::make_unique<TwoProgramFactory>(std::vector<ProgramRecord*>{&tinted, &plain}));
    set = ShaderRegistry::instance().acquire();
    const GLuint running = tinted.program;
    const GLuint untouched = plain.program;

    // Compiles, but reads a varying the vertex program never writes: the link fails.
    save("tint.glfp", "varying vec4 shade;\nvoid main() { gl_FragColor = shade; }\n");
    ASSERT_EQ(manager.reload("tint.glfp"), Reload::InPlace);
    ZemTest::captureReports();
    EXPECT_EQ(ShaderRegistry::instance().relinkPrograms("tint.glfp"), 0);
    const std::string printed = ZemTest::takeReports();
    EXPECT_NE(printed.find("Keeping the running program of tint.glvp and tint.glfp"),
              std::string::npos)
        << printed;
    EXPECT_EQ(tinted.program, running);
    EXPECT_TRUE(glIsProgram(running));

    save("tint.glfp", "varying vec4 tint;\nvoid main() { gl_FragColor = tint * 0.5; }\n");
    ASSERT_EQ(manager.reload("tint.glfp"), Reload::InPlace);
    EXPECT_EQ(ShaderRegistry::instance().relinkPrograms("tint.glfp"), 1);
    EXPECT_NE(tinted.program, 0u);
    EXPECT_NE(tinted.program, running);
    EXPECT_FALSE(glIsProgram(running)) << "the replaced program is deleted";
    EXPECT_EQ(plain.program, untouched);
    EXPECT_EQ(tinted.fragmentShader->refCount, 1) << "the record still holds one reference";
    EXPECT_EQ(ShaderRegistry::instance().relinkPrograms("elsewhere.glfp"), 0);
}

} // namespace
