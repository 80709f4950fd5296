# Cross build for Windows with Debian's mingw-w64 (packages g++-mingw-w64-x86-64-posix,
# g++-mingw-w64-i686-posix). Included by the per-target files beside it, which set
# VX5H_MINGW_TRIPLE and VX5H_MINGW_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VX5H_MINGW_PROCESSOR})

# The "posix" thread model: its libstdc++ has std::thread.
find_program(CMAKE_CXX_COMPILER NAMES ${VX5H_MINGW_TRIPLE}-g++-posix ${VX5H_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VX5H_MINGW_TRIPLE}-gcc-posix ${VX5H_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VX5H_MINGW_TRIPLE}-windres REQUIRED)

# The target's own folder, and the prefixes given (the Windows Qt kit): packages are
# looked up there only, never among the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${VX5H_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# moc, rcc and uic run on the host: its Qt of the same version supplies them.
set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, for its tools")

# Programs share the compiler's runtime DLLs with Qt's (one C++ runtime per process, the
# DLLs beside the program). A library we build carries the runtime inside, so that it
# needs nothing but the system's DLLs wherever it is put, as the board maker's do.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# ctest runs the Windows programs under wine where it is installed (cmake/WindowsCross.cmake).
find_program(VX5H_WINE NAMES wine)
