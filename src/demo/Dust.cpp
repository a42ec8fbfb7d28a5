#include "demo/Dust.h"

#include <GL/glew.h>

Dust::Dust(const Zem::Resource::XmlNode& element) : Light(element) {
    autoMatrix = false;
}

Dust::~Dust() = default;

void Dust::draw() {
    const GLfloat bright[4] = {30.0f, 30.0f, 30.0f, 30.0f};
    const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, bright);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, bright);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 1.0f);

    const float s = triangleSize;
    glBegin(GL_TRIANGLES);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, s, -0.01f);
    glVertex3f(s, -s, -0.01f);
    glVertex3f(-s, -s, -0.01f);
    glNormal3f(0.0f, 0.0f, -1.0f);
    glVertex3f(0.0f, s, 0.01f);
    glVertex3f(-s, -s, 0.01f);
    glVertex3f(s, -s, 0.01f);
    glNormal3f(1.0f, 0.0f, 0.0f);
    glVertex3f(-0.01f, 0.0f, s);
    glVertex3f(-0.01f, s, -s);
    glVertex3f(-0.01f, -s, -s);
    glNormal3f(-1.0f, 0.0f, 0.0f);
    glVertex3f(0.01f, 0.0f, s);
    glVertex3f(0.01f, -s, -s);
    glVertex3f(0.01f, s, -s);
    glEnd();
}
