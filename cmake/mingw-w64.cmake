# Cross build for 64-bit Windows with the mingw-w64 compilers of Debian
# (g++-mingw-w64-x86-64-posix): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEM_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model: std::thread needs it with this compiler version.
set(CMAKE_C_COMPILER ${ZEM_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEM_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEM_MINGW_TRIPLET}-windres)

# ZEM_WINDOWS_DEPS: the prefix the Windows builds of GLEW, Ogg and Vorbis are installed in.
set(CMAKE_FIND_ROOT_PATH /usr/${ZEM_MINGW_TRIPLET} ${ZEM_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only static libraries: the program must run without the compiler's DLLs.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
# CTest runs the test programs under Wine, with a prefix of the build's own and no sound card.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/windows/wine-run.sh)
