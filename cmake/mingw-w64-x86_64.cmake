# Windows, 64-bit, cross-built with mingw-w64: cmake --preset mingw-x86_64
set(VX5H_MINGW_TRIPLE x86_64-w64-mingw32)
set(VX5H_MINGW_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
