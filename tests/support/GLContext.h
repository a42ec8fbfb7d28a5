#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ZemTest {

// A 64 x 64 OpenGL compatibility context that draws where no screen shows it, shared by every
// GL test of a program. On SDL it is headless unless the environment already chose SDL's video
// and audio drivers.
class GLContext {
public:
    static GLContext& shared();
    ~GLContext();

    bool isOpen() const;
    const std::string& error() const { return failure; }
    // Another window, such as a display driver's, may have taken over.
    bool makeCurrent() const;
    int width() const { return 64; }
    int height() const { return 64; }

private:
    GLContext();

    // The platform's window and context, in its file.
    struct Native;
    std::unique_ptr<Native> native;
    std::string failure;
};

// Base for GL tests: the shared context is current, or the test fails at once.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    GLContext& gl() const { return GLContext::shared(); }
};

} // namespace ZemTest
