#include "script/ScreenMaster.h"

#include "graphics/HDRSettings.h"

ScreenMaster::ScreenMaster(const Zem::Resource::XmlNode& element) : BaseEntity(element) {}

void ScreenMaster::setChannel(unsigned index, float value) {
    if (index == 0) {
        Zem::Graphics::exposure = value;
    } else if (index == 1) {
        Zem::Graphics::bloomScale = value;
    }
}

float ScreenMaster::getChannel(unsigned index) {
    if (index == 0) {
        return Zem::Graphics::exposure;
    }
    if (index == 1) {
        return Zem::Graphics::bloomScale;
    }
    return 0.0f;
}
