# Our driver libraries and the simulator for Windows, under wine: the board and download
# layers load them from the program folder as the panel does.
add_executable(windows_driver_tests ${CMAKE_CURRENT_LIST_DIR}/DriversTest.cpp ${CMAKE_CURRENT_LIST_DIR}/LabTest.cpp)
target_link_libraries(windows_driver_tests PRIVATE board config simlink platform GTest::gtest_main)
target_compile_definitions(windows_driver_tests PRIVATE VX5H_TEST_BIN_DIR="${VX5H_BIN_DIR}")
add_dependencies(windows_driver_tests qelvano_jtag qelvano_download vx5h-board-sim vx5h-image vx5h)
# The tools' folder is the machine's registry, which the core tests and the vendor tests
# set side by side with these; with none, the automatic choice is the simulator. (One
# label: a list value here would shift the property names after it.)
gtest_discover_tests(windows_driver_tests PROPERTIES LABELS wine RESOURCE_LOCK vx5h_tools_registry
  DISCOVERY_TIMEOUT 120)

# The vendor's way on Windows: stand-ins of its tools in an installation of their own
# layout (bin64 for 64-bit, bin for 32-bit), which the test names in the registry.
set(standin_quartus ${CMAKE_CURRENT_BINARY_DIR}/standin-quartus)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(standin_tools_dir ${standin_quartus}/bin64)
  set(standin_bits 64)
else()
  set(standin_tools_dir ${standin_quartus}/bin)
  set(standin_bits 32)
endif()
add_library(standin_jtag_client SHARED ${CMAKE_CURRENT_LIST_DIR}/vendor/StandInClient.cpp)
add_library(standin_jtag_atlantic SHARED ${CMAKE_CURRENT_LIST_DIR}/vendor/StandInAtlantic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vendor/atlantic-${standin_bits}.def)
add_executable(standin_quartus_pgm ${CMAKE_CURRENT_LIST_DIR}/vendor/StandInProgrammer.cpp)
add_executable(standin_jtagserver ${CMAKE_CURRENT_LIST_DIR}/vendor/StandInJtagServer.cpp)
set_target_properties(standin_jtag_client PROPERTIES OUTPUT_NAME jtag_client PREFIX "")
set_target_properties(standin_jtag_atlantic PROPERTIES OUTPUT_NAME jtag_atlantic PREFIX "")
set_target_properties(standin_quartus_pgm PROPERTIES OUTPUT_NAME quartus_pgm)
set_target_properties(standin_jtagserver PROPERTIES OUTPUT_NAME jtagserver)
foreach(target standin_jtag_client standin_jtag_atlantic standin_quartus_pgm standin_jtagserver)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${standin_tools_dir}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/standin-import)
  # They stand alone in their folder: the compiler's runtime goes inside them.
  target_link_options(${target} PRIVATE -static)
endforeach()

add_executable(windows_vendor_tests ${CMAKE_CURRENT_LIST_DIR}/VendorPathTest.cpp)
target_link_libraries(windows_vendor_tests PRIVATE config platform GTest::gtest_main)
target_compile_definitions(windows_vendor_tests PRIVATE VX5H_TEST_BIN_DIR="${VX5H_BIN_DIR}"
  VX5H_STANDIN_QUARTUS="${standin_quartus}" VX5H_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}")
add_dependencies(windows_vendor_tests qelvano_jtag qelvano_download standin_jtag_client standin_jtag_atlantic
  standin_quartus_pgm)
gtest_discover_tests(windows_vendor_tests PROPERTIES LABELS wine RESOURCE_LOCK vx5h_tools_registry
  DISCOVERY_TIMEOUT 120)

# vx5h doctor's Windows checks: against stand-in layouts, then vx5h doctor itself against
# the registry, the stand-in installation and its JTAG server as a service of this prefix.
add_executable(windows_doctor_tests ${CMAKE_CURRENT_LIST_DIR}/DoctorWindowsTest.cpp)
target_link_libraries(windows_doctor_tests PRIVATE vx5hcli GTest::gtest_main)
get_filename_component(standin_bin ${standin_tools_dir} NAME)
target_compile_definitions(windows_doctor_tests PRIVATE VX5H_TEST_BIN_DIR="${VX5H_BIN_DIR}"
  VX5H_STANDIN_QUARTUS="${standin_quartus}" VX5H_STANDIN_BIN="${standin_bin}")
add_dependencies(windows_doctor_tests vx5h qelvano_jtag qelvano_download vx5h-board-sim vx5h-image standin_jtag_client
  standin_jtag_atlantic standin_quartus_pgm standin_jtagserver)
gtest_discover_tests(windows_doctor_tests PROPERTIES LABELS wine RESOURCE_LOCK vx5h_tools_registry
  DISCOVERY_TIMEOUT 120)

# The benchmark of the simulated board through our libraries, for bench/sim-under-wine.sh
# (the Windows cross build has no bench/ of its own).
add_executable(vx5h-bench-endpoint ${PROJECT_SOURCE_DIR}/bench/SimOverEndpoint.cpp)
target_link_libraries(vx5h-bench-endpoint PRIVATE board config simlink platform)
add_dependencies(vx5h-bench-endpoint qelvano_jtag qelvano_download vx5h-board-sim vx5h-image)
