#include "graphics/GBufferVariants.h"
#include "graphics/compileFragmentSource.h"

#include "graphics/setUniform.h"

#include <GL/glew.h>

namespace Zem::Graphics {

GBufferVariants::~GBufferVariants() {
    if (glDeleteProgram == nullptr) {
        return;
    }
    for (const ProgramRecord& build : builds) {
        if (build.program != 0) {
            glDeleteProgram(build.program);
        }
    }
    for (uint32_t shader : companions) {
        if (shader != 0) {
            glDeleteShader(shader);
        }
    }
}

std::string GBufferVariants::companionSource(unsigned maps) {
    const auto truth = [maps](unsigned map) { return (maps & map) != 0 ? "true" : "false"; };
    return std::string("#version 120\n") + "bool zemMayHaveDiffuseMap() { return " +
           truth(DiffuseMap) + "; }\n" + "bool zemMayHaveSpecularMap() { return " +
           truth(SpecularMap) + "; }\n" + "bool zemMayHaveBumpMap() { return " + truth(BumpMap) +
           "; }\n" + "bool zemMayHaveNormalMap() { return " + truth(NormalMap) + "; }\n";
}

uint32_t GBufferVariants::companion(unsigned maps) {
    maps &= allMaps;
    if (companions[maps] != 0 || glCreateShader == nullptr) {
        return companions[maps];
    }
    // Fails only without a working compiler; the programs then link without it.
    companions[maps] = compileFragmentSource(companionSource(maps));
    return companions[maps];
}

void GBufferVariants::setSamplers(uint32_t program) {
    setUniform(program, "color_tex", 0);
    setUniform(program, "specular_tex", 1);
    setUniform(program, "bump_tex", 2);
    setUniform(program, "normal_tex", 3);
}

uint32_t GBufferVariants::programFor(unsigned maps) {
    maps &= allMaps;
    if (maps == allMaps || defaultProgram == nullptr || defaultProgram->program == 0) {
        return 0;
    }
    ProgramRecord& build = builds[maps];
    if (!tried[maps]) {
        tried[maps] = true;
        build.companionShader = companion(maps);
        if (build.companionShader != 0) {
            linkProgram(build, defaultProgram->vertexFile, defaultProgram->fragmentFile,
                        "G-buffer pass");
        }
    }
    return build.program;
}

void GBufferVariants::useFor(unsigned maps) {
    const uint32_t program = programFor(maps);
    if (program == 0) {
        useDefault();
        return;
    }
    glUseProgram(program);
    maps &= allMaps;
    if (samplersSetAt[maps] != builds[maps].links) {
        setSamplers(program);
        samplersSetAt[maps] = builds[maps].links;
    }
}

void GBufferVariants::useDefault() {
    if (defaultProgram != nullptr && defaultProgram->program != 0) {
        glUseProgram(defaultProgram->program);
    }
}

std::vector<ProgramRecord*> GBufferVariants::linked() {
    std::vector<ProgramRecord*> records;
    for (ProgramRecord& build : builds) {
        if (build.program != 0) {
            records.push_back(&build);
        }
    }
    return records;
}

} // namespace Zem::Graphics
