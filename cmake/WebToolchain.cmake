# CMake toolchain for building with Debian's emscripten against the codec libraries that
# scripts/build-web-deps installed. Use it instead of emcmake:
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/WebToolchain.cmake \
#         -DPICTOREL_WEB_DEPS=/abs/path/to/build-web/deps
# The prefix may also come from the environment variable PICTOREL_WEB_DEPS; without either,
# build-web/deps beside this file's project is used.
# The libraries there are built without threads (no -pthread, no shared memory: the page runs
# one module per Web Worker on a plain static host); a program linking them must not use
# -pthread either, or wasm-ld refuses the objects built without atomics.

if(NOT DEFINED EMSCRIPTEN_ROOT_PATH)
  set(EMSCRIPTEN_ROOT_PATH /usr/share/emscripten)
endif()
include("${EMSCRIPTEN_ROOT_PATH}/cmake/Modules/Platform/Emscripten.cmake")

# try_compile projects read this file again without the cache: hand the prefix over to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PICTOREL_WEB_DEPS)
if(NOT PICTOREL_WEB_DEPS)
  if(DEFINED ENV{PICTOREL_WEB_DEPS} AND NOT "$ENV{PICTOREL_WEB_DEPS}" STREQUAL "")
    set(PICTOREL_WEB_DEPS "$ENV{PICTOREL_WEB_DEPS}")
  else()
    get_filename_component(PICTOREL_WEB_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build-web/deps" ABSOLUTE)
  endif()
endif()
get_filename_component(PICTOREL_WEB_DEPS "${PICTOREL_WEB_DEPS}" ABSOLUTE)

# Emscripten searches only its own sysroot; the codecs live in the prefix.
list(APPEND CMAKE_FIND_ROOT_PATH "${PICTOREL_WEB_DEPS}")
list(APPEND CMAKE_PREFIX_PATH "${PICTOREL_WEB_DEPS}")

# pkg-config must see the prefix's .pc files only, never the machine's native ones.
set(ENV{PKG_CONFIG_LIBDIR} "${PICTOREL_WEB_DEPS}/lib/pkgconfig:${PICTOREL_WEB_DEPS}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# The stock emulator passes node an option node 20 rejects (every try-run would read its exit
# status 9 as the answer), and node 20's own fetch breaks the generated loader.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR MATCHES "no-experimental-fetch")
  find_program(PICTOREL_NODE_EXECUTABLE NAMES node nodejs REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PICTOREL_NODE_EXECUTABLE};--no-experimental-fetch"
      CACHE STRING "Runs the test programs that CMake builds while configuring" FORCE)
endif()
