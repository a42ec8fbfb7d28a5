#include "demo/LeafCluster.h"

#include "main/Random.h"

#include <GL/glew.h>

#include <algorithm>

using Zem::Graphics::Vector3;

float LeafCluster::randomScalar() {
    // Rounded to float after every product, in the order of drawing.
    float s = 8.0f;
    for (int i = 0; i < 4; ++i) {
        s *= Zem::Main::Random::unit() - 0.5f;
    }
    return s;
}

LeafCluster::LeafCluster(const Vector3& position, int32_t amount, float spread)
    : position(position), amount(amount), spread(spread) {
    const std::size_t count = static_cast<std::size_t>(std::max(amount, 0));
    points.resize(count);
    normals.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        Vector3& point = points[i];
        point.x = randomScalar() * spread;
        point.y = randomScalar() * spread;
        point.z = randomScalar() * spread;
        Vector3& normal = normals[i];
        normal.x = randomScalar();
        normal.y = randomScalar();
        normal.z = randomScalar();
        normal.normalise();
    }
}

void LeafCluster::draw() const {
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glBegin(GL_POINTS);
    for (std::size_t i = 0; i < points.size(); ++i) {
        glNormal3fv(&normals[i].x);
        glVertex3fv(&points[i].x);
    }
    glEnd();
    glPopMatrix();
}
