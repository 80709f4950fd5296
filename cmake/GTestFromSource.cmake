# A cross build cannot link the host's GoogleTest; Debian ships its sources (libgtest-dev,
# /usr/src/googletest), which are built here with the cross compiler instead; they define
# the targets GTest::gtest and GTest::gtest_main themselves.
set(VX5H_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VX5H_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
