# Cross-build for 64-bit Windows with Debian's MinGW-w64. The posix flavour is
# the one whose libstdc++ has std::thread, std::mutex and std::condition_variable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(REMORRA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${REMORRA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${REMORRA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${REMORRA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${REMORRA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (and gtest discovery) run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

# No runtime DLLs to ship beside the executables.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
