#include "resource/MeshGroup.h"

#include "ResourceTestSupport.h"

namespace {

using Zem::Resource::MeshGroup;

// A square with its tangent frame, its buffers uploaded.
class MeshGroupTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
        uploadBuffers(*group);
        buffers = {group->positionBuffer, group->normalBuffer,   group->tangentBuffer,
                   group->binormalBuffer, group->texCoordBuffer, group->indexBuffer};
    }

    std::unique_ptr<MeshGroup> group = ResourceTest::squareGroup(-1, -1, 1, 1);
    std::vector<GLuint> buffers;
};

TEST_F(MeshGroupTest, AnUploadMakesABufferForEachArray) {
    for (const GLuint name : buffers) {
        EXPECT_TRUE(glIsBufferARB(name)) << name;
    }
}

TEST_F(MeshGroupTest, TheBuffersAreDeletedWithTheGroup) {
    group.reset();
    for (const GLuint name : buffers) {
        EXPECT_FALSE(glIsBufferARB(name)) << name;
    }
}

} // namespace
