# Cross build for Windows with Debian's mingw-w64 (packages g++-mingw-w64-x86-64-posix,
# g++-mingw-w64-i686-posix). Included by the per-target files beside it, which set
# VX5H_MINGW_TRIPLE and VX5H_MINGW_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VX5H_MINGW_PROCESSOR})

# The "posix" thread model: its libstdc++ has std::thread.
find_program(CMAKE_CXX_COMPILER NAMES ${VX5H_MINGW_TRIPLE}-g++-posix ${VX5H_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VX5H_MINGW_TRIPLE}-gcc-posix ${VX5H_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VX5H_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VX5H_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime goes into every program and library, so that nothing but the
# system's own DLLs needs to lie beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# ctest runs the Windows programs under wine where it is installed.
find_program(VX5H_WINE NAMES wine)
if(VX5H_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VX5H_WINE})
endif()
