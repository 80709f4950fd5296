# Windows, 32-bit (the board maker's libraries may be 32-bit), cross-built with
# mingw-w64: cmake --preset mingw-i686
set(VX5H_MINGW_TRIPLE i686-w64-mingw32)
set(VX5H_MINGW_PROCESSOR x86)
# Floating point in SSE registers, as on 64-bit: the x87 unit keeps extra precision in
# its registers, so a float would not be the float the same sum gives everywhere else
# (the G-sensor texts round differently). Every Windows since 8 needs SSE2 anyway.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
