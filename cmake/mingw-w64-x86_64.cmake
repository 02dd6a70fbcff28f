# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread and GoogleTest need):
#
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQA_BUILD_WINDOW=OFF
#
# or, with the windows, against the prefix `packaging/windows/prefix.sh`
# makes (Qt, libarchive, libxlsxwriter for MinGW-w64):
#
#   cmake ... -DCMAKE_PREFIX_PATH=<prefix> -DQT_HOST_PATH=/usr
#
# Programs link the MinGW runtime statically, so that without Qt they need no
# MinGW DLLs beside them; cross-built, they run through Wine when ctest
# starts them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QA_MINGW_PREFIX}-windres)

# Libraries, headers and packages come from the MinGW root and from the
# prefixes given, never from the host; programs only from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QA_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(QA_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QA_WINE64})
endif()
