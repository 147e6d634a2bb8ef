# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DRUNWELL_GUI=OFF
# The POSIX-threads variant of the compiler is taken, since std::thread needs it. The C++ and GCC
# run-time libraries are linked statically so an .exe runs without DLLs copied beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RUNWELL_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${RUNWELL_MINGW_PREFIX}-gcc-posix ${RUNWELL_MINGW_PREFIX}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${RUNWELL_MINGW_PREFIX}-g++-posix ${RUNWELL_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${RUNWELL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RUNWELL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test executables are run through wine where it is installed (ctest, gtest_discover_tests).
find_program(RUNWELL_WINE NAMES wine wine64)
if(RUNWELL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${RUNWELL_WINE})
endif()
