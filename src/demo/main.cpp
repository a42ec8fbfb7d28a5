#include "demo/Ombrel.h"
#include "main/Engine.h"
#include "resource/XmlNode.h"

#include <memory>

// The platform's drivers, chosen when the program is built.
#ifdef _WIN32
#include "graphics/Display_win32.h"
#include "input/Input_win32.h"
using PlatformDisplay = Zem::Graphics::Display_win32;
using PlatformInput = Zem::Input::Input_win32;
#else
#include "graphics/Display_sdl2.h"
#include "input/Input_sdl2.h"
using PlatformDisplay = Zem::Graphics::Display_sdl2;
using PlatformInput = Zem::Input::Input_sdl2;
#endif

namespace {

// The program's only configuration: it reads no command line and no file.
const char* const builtInConfig =
    "<config><display><resolution><width>640</width><height>480</height><bpp>32</bpp>"
    "<depthbpp>24</depthbpp><stencilbpp>8</stencilbpp><fullscreen>true</fullscreen>"
    "<doublebuffer>true</doublebuffer><vsync>true</vsync></resolution></display></config>";

} // namespace

int main() {
    Ombrel game;
    {
        Zem::Main::Engine engine;
        engine.setWorkingDir("./");
        engine.registerDriver("input", std::make_unique<PlatformInput>());
        engine.registerDriver("display", std::make_unique<PlatformDisplay>());
        game.engine = &engine;
        engine.setGame(&game);

        auto config = std::make_unique<Zem::Resource::XmlNode>(builtInConfig);
        engine.init(*config);
        config.reset();

        engine.run();
        engine.shutdown();
    } // the engine goes first, then the game
    return 0;
}
