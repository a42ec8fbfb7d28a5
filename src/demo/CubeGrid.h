#pragma once

#include "main/BaseEntity.h"
#include "main/EntityFactory.h"

#include <cstdint>
#include <vector>

class ScriptMaster;

// A grid of cubes that, once started by the script, tips in a circular wave running out from
// the grid's centre on the music clock of the entity named "mainscript".
//
// Settings, all required: "xsize", "ysize" (cubes per row, rows), "xspace", "yspace"
// (spacing along local X and Z), "waveslowness" (seconds per cell of distance), "turnspeed"
// (degrees of tipping); "cubeinitdata" is the element every cube is built from.
// Commands: "begin" and "reset" start the wave from the centre. Channel 0: waveSlowness.
class CubeGrid : public Zem::Main::BaseEntity {
public:
    explicit CubeGrid(const Zem::Resource::XmlNode& element);
    // The cubes belong to the game; only the list goes.
    ~CubeGrid() override;

    // Tips every cube by the wave at the present music time; the frame time is not used.
    void update(float dt) override;
    void command(int time, const Zem::Resource::XmlNode& element) override;
    // Only channel 0, waveSlowness, exists; the others are ignored and read 0.
    void setChannel(unsigned index, float value) override;
    float getChannel(unsigned index) override;

    // Seconds of the script's music; requires mainScript.
    float musicTime() const;
    // The tipping angle in degrees of the cube in row `row` and column `column`, `elapsed`
    // seconds after the start.
    float waveAngle(int32_t row, int32_t column, float elapsed) const;

    int32_t columns = 0;
    int32_t rows = 0;
    float columnSpacing = 0.0f;
    float rowSpacing = 0.0f;
    // Seconds of music time; negative until the first "begin" or "reset".
    float startTime = -1.0f;
    float waveSlowness = 0.0f;
    float turnSpeed = 0.0f;
    // Row by row; not owned.
    std::vector<Zem::Main::BaseEntity*> cubes;
    // The ScriptMaster named "mainscript"; null until one is found. Not owned.
    ScriptMaster* mainScript = nullptr;

    class Factory;

private:
    void buildCubes(const Zem::Resource::XmlNode& cubeSettings);
};

// Null, with a message naming the missing key, when a required setting is absent.
class CubeGrid::Factory : public Zem::Main::EntityFactory {
public:
    Zem::Main::Entity* create(const Zem::Resource::XmlNode& element) override;
};
