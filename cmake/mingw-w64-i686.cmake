# Windows, 32-bit (the board maker's libraries may be 32-bit), cross-built with
# mingw-w64: cmake --preset mingw-i686
set(VX5H_MINGW_TRIPLE i686-w64-mingw32)
set(VX5H_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
