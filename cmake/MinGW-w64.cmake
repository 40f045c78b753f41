# Cross-build for 64-bit Windows with Debian's MinGW-w64 compiler, the variant
# with POSIX threads (std::thread, std::mutex), linked statically so that the
# programs need no MinGW runtime files beside them. The programs run on Linux
# through wine64 (cmake/wine/wine-run.sh), which CTest puts before every test.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALLYVOX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALLYVOX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLYVOX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLYVOX_MINGW_PREFIX}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Boost's shared_ptr is header-only: its headers are reached through a folder
# of the build holding only a link to them, never through /usr/include, whose
# C library headers are not Windows'.
set(TALLYVOX_MINGW_STAGE ${CMAKE_BINARY_DIR}/mingw-stage)
if(NOT EXISTS ${TALLYVOX_MINGW_STAGE}/include/boost)
  file(MAKE_DIRECTORY ${TALLYVOX_MINGW_STAGE}/include)
  file(CREATE_LINK /usr/include/boost ${TALLYVOX_MINGW_STAGE}/include/boost SYMBOLIC)
endif()
set(Boost_NO_BOOST_CMAKE ON)

set(CMAKE_FIND_ROOT_PATH /usr/${TALLYVOX_MINGW_PREFIX} ${TALLYVOX_MINGW_STAGE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
