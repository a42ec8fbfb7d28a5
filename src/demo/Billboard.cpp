#include "demo/Billboard.h"

#include "main/report.h"
#include "resource/ReadValue.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>

#include <algorithm>

using Zem::Resource::readValue;
using Zem::Resource::ResourceManager;
using Zem::Resource::XmlNode;

Billboard::Billboard(const XmlNode& element) : BaseEntity(element) {
    if (readValue(element, "texture", textureName)) {
        auto& resources = ResourceManager::instance();
        const bool reportedBefore = resources.hasFailed(textureName);
        texture = resources.get<Zem::Resource::Texture>(textureName);
        if (texture == nullptr && !reportedBefore) {
            Zem::Main::report("Billboard \"" + name + "\": no texture \"" + textureName +
                              "\", so nothing is drawn; a texture is a BMP or PNG file");
        }
    }
    float width = 2.0f;
    float height = 2.0f;
    readValue(element, "width", width);
    readValue(element, "height", height);
    halfWidth = 0.5f * width;
    halfHeight = 0.5f * height;
    readValue(element, "brightness", brightness);
    radius = std::max(halfWidth, halfHeight);
}

Billboard::~Billboard() {
    // Harmless after the cache has been emptied at shutdown: an unknown resource is ignored.
    ResourceManager::instance().release(texture);
}

void Billboard::draw() {
    if (texture == nullptr) {
        return;
    }
    const GLfloat ambient[4] = {brightness, brightness, brightness, 1.0f};
    const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    const GLfloat specular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 1.0f);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, texture->texture);
    glNormal3f(0.0f, 0.0f, 1.0f);

    const float w = halfWidth;
    const float h = halfHeight;
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(w, h, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-w, h, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-w, -h, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(w, -h, 0.0f);
    glEnd();
}
