#include "graphics/reportGLErrors.h"
#include "support/GLContext.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

namespace {

class reportGLErrorsTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    static void causeInvalidEnum() { glEnable(0xFFFF); }

    ZemTest::ReportRecorder reports;
};

TEST_F(reportGLErrorsTest, AnEmptyQueueGivesTrueAndReportsNothing) {
    EXPECT_TRUE(Zem::Graphics::reportGLErrors("Clean"));
    EXPECT_TRUE(reports.lines.empty());
}

TEST_F(reportGLErrorsTest, AnErrorGivesFalse) {
    causeInvalidEnum();
    EXPECT_FALSE(Zem::Graphics::reportGLErrors("GBufferShader"));
}

TEST_F(reportGLErrorsTest, AnErrorIsReportedWithItsCodeAndThePassName) {
    causeInvalidEnum();
    Zem::Graphics::reportGLErrors("GBufferShader");
    ASSERT_EQ(1u, reports.lines.size());
    EXPECT_NE(std::string::npos, reports.lines[0].find("0x0500")) << reports.lines[0];
    EXPECT_NE(std::string::npos, reports.lines[0].find("GBufferShader")) << reports.lines[0];
}

TEST_F(reportGLErrorsTest, TheQueueIsLeftEmpty) {
    causeInvalidEnum();
    Zem::Graphics::reportGLErrors("GBufferShader");
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

} // namespace
