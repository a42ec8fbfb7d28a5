#include "demo/CubeGrid.h"

#include "demo/hasRequiredSettings.h"
#include "demo/isWithinCountLimit.h"
#include "graphics/MathUtil.h"
#include "main/Game.h"
#include "resource/ReadValue.h"
#include "resource/XmlNode.h"
#include "script/ScriptMaster.h"

#include <algorithm>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::BaseEntity;
using Zem::Resource::readValue;
using Zem::Resource::XmlNode;

namespace {

constexpr unsigned waveSlownessChannel = 0;

ScriptMaster* findMainScript() {
    if (Zem::Main::currentGame == nullptr) {
        return nullptr;
    }
    // Anything but a ScriptMaster under the name has no clock to offer.
    return dynamic_cast<ScriptMaster*>(Zem::Main::currentGame->findEntity("mainscript"));
}

} // namespace

CubeGrid::CubeGrid(const XmlNode& element) : BaseEntity(element) {
    mainScript = findMainScript();
    readValue(element, "xsize", columns);
    readValue(element, "ysize", rows);
    readValue(element, "xspace", columnSpacing);
    readValue(element, "yspace", rowSpacing);
    readValue(element, "waveslowness", waveSlowness);
    readValue(element, "turnspeed", turnSpeed);
    buildCubes(element.child("cubeinitdata"));
}

CubeGrid::~CubeGrid() = default;

void CubeGrid::buildCubes(const XmlNode& cubeSettings) {
    const Matrix4 gridMatrix = getWorldMatrix();
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            auto* cube = new BaseEntity(cubeSettings);
            // Integer halves: with an even count the centre falls on a cube's left/back edge.
            const Matrix4 offset =
                Matrix4::translation(static_cast<float>(c - columns / 2) * columnSpacing, 0.0f,
                                     static_cast<float>(r - rows / 2) * rowSpacing);
            cube->setWorldMatrix(Matrix4::product(gridMatrix, offset));
            cube->setRoom(room);
            cubes.push_back(cube);
        }
    }
}

float CubeGrid::musicTime() const {
    return static_cast<float>(static_cast<double>(mainScript->musicTimeMs()) * 0.001);
}

float CubeGrid::waveAngle(int32_t row, int32_t column, float elapsed) const {
    // Measured from the half-cell point, unlike the integer layout: even a lone cube waits
    // sqrt(0.5) cells' worth of slowness.
    const float dx = static_cast<float>(column) - 0.5f * static_cast<float>(columns);
    const float dz = static_cast<float>(row) - 0.5f * static_cast<float>(rows);
    const float distance = Zem::Graphics::squareRoot(dx * dx + dz * dz);
    const float phase = elapsed - distance * waveSlowness;
    float degrees = Zem::Graphics::sine(phase) * turnSpeed;
    if (phase < 0.0f) {
        // The front has not reached this cube yet.
        degrees = 0.0f;
    } else if (phase > 6.28f && degrees > 0.0f) {
        // After one full period only the negative swings remain.
        degrees = 0.0f;
    }
    return degrees;
}

void CubeGrid::update(float) {
    if (startTime < 0.0f || mainScript == nullptr) {
        return;
    }
    const float elapsed = musicTime() - startTime;
    for (int32_t i = 0; i < rows; ++i) {
        for (int32_t j = 0; j < columns; ++j) {
            BaseEntity* cube = cubes[static_cast<std::size_t>(i * columns + j)];
            const Vector3 p = cube->getWorldMatrix().getTranslation();
            // The axis (1, 2, 3) is not normalised, so the cube also stretches as it tips: the
            // look the show was made with.
            const Matrix4 tipped =
                Matrix4::product(Matrix4::translation(p.x, p.y, p.z),
                                 Matrix4::rotation(waveAngle(i, j, elapsed), 1.0f, 2.0f, 3.0f));
            cube->setWorldMatrix(tipped);
        }
    }
}

void CubeGrid::command(int, const XmlNode& element) {
    if (mainScript == nullptr) {
        mainScript = findMainScript();
        if (mainScript == nullptr) {
            return;
        }
    }
    const std::string word = element.attribute("command");
    if (word == "begin" || word == "reset") {
        startTime = musicTime();
    }
}

void CubeGrid::setChannel(unsigned index, float value) {
    if (index == waveSlownessChannel) {
        waveSlowness = value;
    }
}

float CubeGrid::getChannel(unsigned index) {
    return index == waveSlownessChannel ? waveSlowness : 0.0f;
}

Zem::Main::Entity* CubeGrid::Factory::create(const XmlNode& element) {
    if (!hasRequiredSettings(element, "CubeGrid",
                             {"xsize", "ysize", "xspace", "yspace", "waveslowness", "turnspeed"})) {
        return nullptr;
    }
    int32_t columns = 0;
    int32_t rows = 0;
    readValue(element, "xsize", columns);
    readValue(element, "ysize", rows);
    const int64_t cubes = int64_t(std::max(columns, 0)) * std::max(rows, 0);
    if (!isWithinCountLimit(element, "CubeGrid", "cubes (\"xsize\" x \"ysize\")", cubes,
                            CountLimits::cubes)) {
        return nullptr;
    }
    return new CubeGrid(element);
}
