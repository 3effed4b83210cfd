# Cross-compiles the Qt-free program for macOS with Zig's clang and the Apple
# SDK headers and libSystem stubs that Zig ships. scripts/cross-macos fetches
# Zig and passes:
#   TIDEMARK_ZIG         the zig executable
#   TIDEMARK_MACOS_ARCH  x86_64 or aarch64
#   TIDEMARK_MACOS_STAGE the only prefix packages are looked up in (GoogleTest
#                        built for the target, the header-only JSON library)
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_VERSION 20)
set(CMAKE_SYSTEM_PROCESSOR ${TIDEMARK_MACOS_ARCH})

# try_compile re-reads this file in a project of its own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES
  TIDEMARK_ZIG TIDEMARK_MACOS_ARCH TIDEMARK_MACOS_STAGE)

if(NOT TIDEMARK_MACOS_ARCH MATCHES "^(x86_64|aarch64)$")
  message(FATAL_ERROR "macos-zig.cmake: TIDEMARK_MACOS_ARCH must be x86_64 or aarch64")
endif()
if(NOT EXISTS "${TIDEMARK_ZIG}")
  message(FATAL_ERROR "macos-zig.cmake: TIDEMARK_ZIG (${TIDEMARK_ZIG}) is not there")
endif()

# `zig c++` is two words; CMake wants one program per tool, so the tools are
# small scripts beside zig (written by scripts/cross-macos). macOS 11 is the
# first release that runs on arm64, so both architectures start there.
get_filename_component(_tidemark_zig_dir "${TIDEMARK_ZIG}" DIRECTORY)
set(_tidemark_tools "${_tidemark_zig_dir}/macos-tools/${TIDEMARK_MACOS_ARCH}")
set(CMAKE_C_COMPILER "${_tidemark_tools}/cc")
set(CMAKE_CXX_COMPILER "${_tidemark_tools}/c++")
set(CMAKE_AR "${_tidemark_tools}/ar" CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB "${_tidemark_tools}/ranlib" CACHE FILEPATH "" FORCE)
# Neither exists here; the binaries are not installed or renamed.
set(CMAKE_INSTALL_NAME_TOOL "" CACHE FILEPATH "" FORCE)
set(CMAKE_OSX_SYSROOT "" CACHE PATH "" FORCE)
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "" FORCE)
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "" FORCE)

# Nothing of the build machine: programs may come from it, libraries,
# headers and packages only from the stage.
set(CMAKE_FIND_ROOT_PATH "${TIDEMARK_MACOS_STAGE}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
