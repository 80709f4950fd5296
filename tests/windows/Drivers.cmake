# Our driver libraries and the simulator for Windows, under wine: the board and download
# layers load them from the program folder as the panel does.
add_executable(windows_driver_tests ${CMAKE_CURRENT_LIST_DIR}/DriversTest.cpp)
target_link_libraries(windows_driver_tests PRIVATE board config simlink platform GTest::gtest_main)
target_compile_definitions(windows_driver_tests PRIVATE VX5H_TEST_BIN_DIR="${VX5H_BIN_DIR}")
add_dependencies(windows_driver_tests qelvano_jtag qelvano_download vx5h-board-sim vx5h-image)
gtest_discover_tests(windows_driver_tests PROPERTIES LABELS "core;wine" DISCOVERY_TIMEOUT 120)
