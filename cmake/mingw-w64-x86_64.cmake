# Cross-building for 64-bit Windows with Debian's MinGW-w64 compilers, the POSIX-threads flavour
# (std::thread and std::mutex need it). Used by `./build.sh windows`.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOLLHAVEN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLLHAVEN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLLHAVEN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLLHAVEN_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLLHAVEN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program stands alone on a stock Windows: the compiler's runtime and the threads library
# are linked in rather than shipped as DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The test programs run under Wine on the build machine.
find_program(TOLLHAVEN_WINE NAMES wine wine64)
if(TOLLHAVEN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLLHAVEN_WINE})
endif()
