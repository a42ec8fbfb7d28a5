#pragma once

#include "graphics/Light.h"
#include "graphics/Vector3.h"

// One speck of a DustGlow: a light that also draws itself as four tiny, very bright triangles.
// Its world matrix is set only by its glow, which also moves it.
class Dust : public Zem::Graphics::Light {
public:
    // The light settings of the glow's "dustinitdata"; unplaced.
    explicit Dust(const Zem::Resource::XmlNode& element);
    ~Dust() override;

    // Two crossed pairs of back-to-back triangles of half-size triangleSize, with a material
    // bright enough to glow through the HDR pass. No texture is bound.
    void draw() override;

    // Units per second.
    Zem::Graphics::Vector3 velocity;
    // Added to the velocity once per frame.
    Zem::Graphics::Vector3 acceleration;
    // Unit axis of tumbling, in the speck's own frame.
    Zem::Graphics::Vector3 spinAxis;
    // Starting distance from the glow's centre: the speck is pushed back towards it.
    float shellRadius = 1.0f;
    float triangleSize = 0.05f;
};
