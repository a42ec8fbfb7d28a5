#include "demo/LeafStorm.h"

#include "demo/hasRequiredSettings.h"
#include "demo/isWithinCountLimit.h"
#include "main/Random.h"
#include "resource/ReadValue.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>

#include <limits>

using Zem::Graphics::Vector3;
using Zem::Resource::readValue;
using Zem::Resource::XmlNode;

namespace {

// GL refuses a shininess above this (GL_INVALID_VALUE) and would keep the previous draw's.
constexpr float maxShininess = 128.0f;

// A count beyond int32 (such as a negative "amount" read as unsigned) makes empty clusters.
int32_t pointCount(uint32_t amount) {
    if (amount > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
        return 0;
    }
    return static_cast<int32_t>(amount);
}

} // namespace

LeafStorm::LeafStorm(const XmlNode& element) : BaseEntity(element) {
    readValue(element, "amount", amount);
    readValue(element, "spread", spread);
    readValue(element, "seed", seed);
    Zem::Main::Random::seed(seed);

    const XmlNode& instances = element.child("instances");
    // Numbers a "position" leaves out keep the previous position's.
    Vector3 centre;
    for (std::size_t i = 0; i < instances.childCount(); ++i) {
        const XmlNode& instance = instances.child(i);
        if (instance.kind() != XmlNode::Kind::Element || instance.name() != "position") {
            continue;
        }
        Zem::Resource::readThreeNumbers(instance.text(), centre);
        clusters.push_back(std::make_unique<LeafCluster>(centre, pointCount(amount), spread));
    }
}

LeafStorm::~LeafStorm() = default;

void LeafStorm::update(float) {}

void LeafStorm::draw() {
    const GLfloat ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 10.0f};
    const GLfloat specular[4] = {10.0f, 10.0f, 10.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, maxShininess);
    glPointSize(5.0f);
    for (const auto& cluster : clusters) {
        cluster->draw();
    }
}

Zem::Main::Entity* LeafStorm::Factory::create(const XmlNode& element) {
    if (!hasRequiredSettings(element, "LeafStorm", {"amount", "spread", "seed"})) {
        return nullptr;
    }
    uint32_t amount = 0;
    readValue(element, "amount", amount);
    const int64_t points =
        int64_t(pointCount(amount)) * int64_t(element.child("instances").childCount("position"));
    if (!isWithinCountLimit(element, "LeafStorm", "points (\"amount\" x \"position\" children)",
                            points, CountLimits::leaves)) {
        return nullptr;
    }
    return new LeafStorm(element);
}
