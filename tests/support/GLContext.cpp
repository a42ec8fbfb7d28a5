#include "support/GLContext.h"

namespace ZemTest {

GLContext& GLContext::shared() {
    static GLContext context;
    return context;
}

void GLTest::SetUp() {
    ASSERT_TRUE(gl().isOpen()) << gl().error();
    ASSERT_TRUE(gl().makeCurrent()) << "the test's GL context cannot be made current";
}

} // namespace ZemTest
