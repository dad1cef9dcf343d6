# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (POSIX threads
# variant, which has std::mutex and std::thread), e.g.
#
#   cmake -S . -B build-mingw -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVEXMOOR_WITH_QT=OFF
#
# Programs and DLLs are linked statically against the compiler's runtime, so
# they run without libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll
# beside them. Test programs run through wine (CMAKE_CROSSCOMPILING_EMULATOR)
# when it is installed. scripts/windows-check does all of this.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEXMOOR_MINGW_TRIPLET x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${VEXMOOR_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VEXMOOR_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VEXMOOR_MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXMOOR_MINGW_TRIPLET})
# Programs come from the build machine; libraries, headers and CMake packages
# only from the target's root and from CMAKE_PREFIX_PATH (e.g. a cross-built
# GoogleTest).
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Debian's wine runs 64-bit programs through wine64; "-all" keeps its
# diagnostics (and the hint about a missing 32-bit wine) out of test output.
find_program(VEXMOOR_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VEXMOOR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env WINEDEBUG=-all ${VEXMOOR_WINE})
endif()
