# Cross build of the Windows program with mingw-w64 (posix thread model, which
# GoogleTest needs). Executables link statically, so that they run without the
# compiler's DLLs; the tests run under Wine.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZUNT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZUNT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZUNT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZUNT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZUNT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ZUNT_WINE wine)
if(ZUNT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZUNT_WINE})
endif()
