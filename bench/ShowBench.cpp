// Plays the whole shipped show headless on a fixed step (30 frames per second of show time,
// every frame drawn and presented) and reports frame times in wall and process CPU
// milliseconds, for the whole show and for each 10-second stretch of it, and the heap
// allocations of a frame counted at malloc level in every thread: the engine's own (called from
// this program's code) apart from the rest (the GL driver, the C++ runtime). Run from the
// repository root, so data/ is found:
//   ./build/bench/ShowBench [--seconds N] [--size WxH] [--every N] [--passes] [--no-edge-filter]
#include "support/ShowPlayer.h"

#include "graphics/RenderObserver.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* memory, std::size_t size);
void __libc_free(void* memory);
// Bounds of this program's code, set by the linker.
extern char __executable_start;
extern char etext;
}

namespace {

std::atomic<long> allAllocations{0};
std::atomic<long> engineAllocations{0};

void count(const void* caller) {
    allAllocations.fetch_add(1, std::memory_order_relaxed);
    const char* at = static_cast<const char*>(caller);
    if (at >= &__executable_start && at < &etext) {
        engineAllocations.fetch_add(1, std::memory_order_relaxed);
    }
}

} // namespace

extern "C" void* malloc(std::size_t size) {
    count(__builtin_return_address(0));
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count_, std::size_t size) {
    count(__builtin_return_address(0));
    return __libc_calloc(count_, size);
}
extern "C" void* realloc(void* memory, std::size_t size) {
    count(__builtin_return_address(0));
    return __libc_realloc(memory, size);
}
extern "C" void free(void* memory) {
    __libc_free(memory);
}

void* operator new(std::size_t size) {
    count(__builtin_return_address(0));
    if (void* memory = __libc_malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    count(__builtin_return_address(0));
    if (void* memory = __libc_malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    __libc_free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    __libc_free(memory);
}
void operator delete[](void* memory) noexcept {
    __libc_free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    __libc_free(memory);
}

namespace {

constexpr int stretchSeconds = 10;

double nowMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The G-buffer, light and HDR passes.
constexpr std::size_t passCount = 3;
const char* const passNames[passCount] = {"gbuffer", "light", "hdr"};

// Times each pass of a frame in process CPU milliseconds, the rasteriser's threads included:
// the pipeline is drained before and after the pass, so its queued work is counted in it.
class PassProbe : public Zem::Graphics::RenderObserver {
public:
    void viewTreeReady(const Zem::Graphics::View&) override {}
    void passBegins(const Zem::Graphics::Shader&) override {
        glFinish();
        began = nowMs(CLOCK_PROCESS_CPUTIME_ID);
    }
    void passEnds(const Zem::Graphics::Shader& pass) override {
        glFinish();
        const double spent = nowMs(CLOCK_PROCESS_CPUTIME_ID) - began;
        if (pass.id == Zem::Graphics::GBufferShader::passId) {
            frame[0] += spent;
        } else if (pass.id == Zem::Graphics::LightShader::passId) {
            frame[1] += spent;
        } else if (pass.id == Zem::Graphics::HDRShader::passId) {
            frame[2] += spent;
        }
    }
    // The passes of the frame just drawn, and a clean slate for the next.
    std::array<double, passCount> take() {
        const std::array<double, passCount> taken = frame;
        frame = {};
        return taken;
    }

private:
    double began = 0.0;
    std::array<double, passCount> frame{};
};

struct Sample {
    int frame;
    double wallMs;
    double cpuMs;
    long allocations;
    long engineAllocations;
    std::array<double, passCount> passCpuMs;
};

double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

void report(const char* label, const std::vector<Sample>& samples, bool withPasses) {
    std::vector<double> wall, cpu, all, engine;
    std::array<std::vector<double>, passCount> passes;
    for (const Sample& s : samples) {
        wall.push_back(s.wallMs);
        cpu.push_back(s.cpuMs);
        all.push_back(static_cast<double>(s.allocations));
        engine.push_back(static_cast<double>(s.engineAllocations));
        for (std::size_t p = 0; p < passCount; ++p) {
            passes[p].push_back(s.passCpuMs[p]);
        }
    }
    std::printf("%-10s %6zu | %7.1f %7.1f %7.1f | %7.1f %7.1f %7.1f | %7.0f %6.0f", label,
                samples.size(), percentile(wall, 0.5), percentile(wall, 0.9), percentile(wall, 1.0),
                percentile(cpu, 0.5), percentile(cpu, 0.9), percentile(cpu, 1.0),
                percentile(all, 0.5), percentile(engine, 0.5));
    if (withPasses) {
        std::printf(" |");
        for (const std::vector<double>& pass : passes) {
            std::printf(" %7.1f", percentile(pass, 0.5));
        }
    }
    std::printf("\n");
}

// The first frame, and every later frame that took over twice the median wall time: a frame
// that pays for something built on first use shows as a hitch.
void reportHitches(const std::vector<Sample>& samples) {
    if (samples.empty()) {
        return;
    }
    std::vector<double> wall;
    for (const Sample& s : samples) {
        wall.push_back(s.wallMs);
    }
    const double limit = 2.0 * percentile(wall, 0.5);
    std::vector<const Sample*> hitches;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i].wallMs > limit) {
            hitches.push_back(&samples[i]);
        }
    }
    std::printf("first frame: %.1f ms; later frames over twice the median (%.1f ms): %zu\n",
                samples[0].wallMs, limit, hitches.size());
    constexpr std::size_t listed = 10;
    for (std::size_t i = 0; i < hitches.size() && i < listed; ++i) {
        std::printf("  frame %d (%.2f s): %.1f ms\n", hitches[i]->frame,
                    hitches[i]->frame / static_cast<double>(ZemTest::ShowPlayer::stepsPerSecond),
                    hitches[i]->wallMs);
    }
}

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: ShowBench [--seconds N] [--size WxH] [--every N] [--passes]\n"
                 "                 [--no-edge-filter]\n"
                 "Plays the show headless on a fixed 30 steps/s and prints frame times.\n"
                 "  --seconds N  play only the first N seconds of the show\n"
                 "  --size WxH   render at this size (640x480)\n"
                 "  --every N    draw every Nth step only (N divides 300), the others unseen\n"
                 "  --passes     add each pass's median CPU ms (the pipeline drained around it)\n"
                 "  --no-edge-filter  compose without the edge filter\n");
}

struct Options {
    // Longer than the show, which ends itself.
    double seconds = 600.0;
    int width = 640;
    int height = 480;
    int every = 1;
    bool passes = false;
    bool edgeFilter = true;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            usage(stdout);
            std::exit(0);
        } else if (arg == "--seconds" && hasValue) {
            options.seconds = std::atof(argv[++i]);
            if (options.seconds <= 0.0) {
                return false;
            }
        } else if (arg == "--size" && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &options.width, &options.height) != 2 ||
                options.width <= 0 || options.height <= 0) {
                return false;
            }
        } else if (arg == "--every" && hasValue) {
            options.every = std::atoi(argv[++i]);
            // Whole steps per stretch, so the stretches keep their bounds.
            if (options.every <= 0 ||
                (stretchSeconds * ZemTest::ShowPlayer::stepsPerSecond) % options.every != 0) {
                return false;
            }
        } else if (arg == "--passes") {
            options.passes = true;
        } else if (arg == "--no-edge-filter") {
            options.edgeFilter = false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "ShowBench: bad arguments (see --help)\n");
        return 2;
    }
    std::vector<Sample> samples;
    long glErrors = 0;
    int firstErrorFrame = -1;
    GLenum firstError = GL_NO_ERROR;
    PassProbe probe;
    {
        ZemTest::ShowPlayer player(options.width, options.height, options.edgeFilter);
        if (!player.ready()) {
            std::fprintf(stderr, "ShowBench: the show did not start\n");
            return 1;
        }
        if (options.passes) {
            player.demo().observeFrames(&probe);
        }
        const int lastFrame =
            static_cast<int>(options.seconds * ZemTest::ShowPlayer::stepsPerSecond);
        bool goOn = true;
        while (goOn && player.frame() < lastFrame) {
            if (player.frame() % options.every != 0) {
                goOn = player.step(false);
                continue;
            }
            const int frame = player.frame();
            const long allBefore = allAllocations.load();
            const long engineBefore = engineAllocations.load();
            const double wall = nowMs(CLOCK_MONOTONIC);
            const double cpu = nowMs(CLOCK_PROCESS_CPUTIME_ID);
            goOn = player.step(true);
            // The frame is done when the rasteriser is: count its work in this frame.
            glFinish();
            // Every error flag raised during the frame, drained so the next frame starts clean.
            for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
                if (glErrors++ == 0) {
                    firstError = error;
                    firstErrorFrame = player.frame() - 1;
                }
            }
            samples.push_back({frame, nowMs(CLOCK_MONOTONIC) - wall,
                               nowMs(CLOCK_PROCESS_CPUTIME_ID) - cpu,
                               allAllocations.load() - allBefore,
                               engineAllocations.load() - engineBefore, probe.take()});
            if (player.frame() % 30 == 0) {
                std::fprintf(stderr, "\rShowBench: %d s of show played", player.frame() / 30);
            }
        }
        std::fprintf(stderr, "\n");
    }

    std::printf("show frames at %dx%d%s, 30 steps/s; ms per frame (wall, process CPU); heap "
                "allocations per frame (median, all threads / engine's own)\n",
                options.width, options.height,
                options.edgeFilter ? "" : " without the edge filter");
    std::printf("%-10s %6s | %7s %7s %7s | %7s %7s %7s | %7s %6s", "stretch", "frames", "median",
                "p90", "max", "cpu med", "cpu p90", "cpu max", "allocs", "engine");
    if (options.passes) {
        std::printf(" |");
        for (const char* name : passNames) {
            std::printf(" %7s", name);
        }
    }
    std::printf("\n");
    report("whole", samples, options.passes);
    long engineTotal = 0;
    long engineMost = 0;
    for (const Sample& sample : samples) {
        engineTotal += sample.engineAllocations;
        engineMost = std::max(engineMost, sample.engineAllocations);
    }
    std::printf("engine's own allocations: %ld over the run, at most %ld in a frame\n", engineTotal,
                engineMost);
    if (glErrors == 0) {
        std::printf("GL errors over the whole run: none\n");
    } else {
        std::printf("GL errors over the whole run: %ld, the first 0x%04x in frame %d\n", glErrors,
                    firstError, firstErrorFrame);
    }
    reportHitches(samples);
    const std::size_t perStretch = static_cast<std::size_t>(
        stretchSeconds * ZemTest::ShowPlayer::stepsPerSecond / options.every);
    for (std::size_t begin = 0; begin < samples.size(); begin += perStretch) {
        const std::size_t end = std::min(samples.size(), begin + perStretch);
        const std::vector<Sample> stretch(samples.begin() + static_cast<std::ptrdiff_t>(begin),
                                          samples.begin() + static_cast<std::ptrdiff_t>(end));
        char label[48];
        std::snprintf(label, sizeof label, "%zu-%zu s", begin * options.every / 30,
                      end * options.every / 30);
        report(label, stretch, options.passes);
    }
    return 0;
}
