# What the cross build for Windows needs beyond its toolchain file: the header-only
# packages of the host, the compiler's runtime DLLs that programs ship with, and wine as
# the way the build runs its own programs (tests, the image generator). Included by the
# top-level list before any target exists; vx5h_write_wine_run() at its end.

# Header-only packages are the same text for every target, so the host's Debian packages
# serve the cross build too. Only their own folders reach the cross compiler, never the
# host's /usr/include as a whole, whose C library headers would shadow the target's.
function(vx5h_host_header_package package target header_folder)
  set(dir ${CMAKE_BINARY_DIR}/host-packages/${package})
  file(MAKE_DIRECTORY ${dir}/include)
  file(CREATE_LINK /usr/include/${header_folder} ${dir}/include/${header_folder} SYMBOLIC)
  file(WRITE ${dir}/${package}Config.cmake
    "if(NOT TARGET ${target})\n"
    "  add_library(${target} INTERFACE IMPORTED)\n"
    "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${dir}/include)\n"
    "endif()\n")
  file(WRITE ${dir}/${package}ConfigVersion.cmake
    "include(/usr/share/cmake/${package}/${package}ConfigVersion.cmake)\n")
  set(${package}_DIR ${dir} CACHE PATH "The host's ${package} for the cross build" FORCE)
endfunction()
vx5h_host_header_package(CLI11 CLI11::CLI11 CLI)
vx5h_host_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann)

# Programs link the compiler's runtime as DLLs, the very ones Qt's DLLs use, so that one
# C++ runtime serves the whole process; they lie beside the program. (Libraries we build
# carry theirs inside: see the toolchain file.)
set(VX5H_MINGW_RUNTIME "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${file}" AND EXISTS "${file}")
    list(APPEND VX5H_MINGW_RUNTIME ${file})
  endif()
endforeach()

# wine runs the build's programs through a script that puts the runtime's and Qt's
# folders on the Windows PATH, where wine looks for DLLs. Each run has a budget below
# ctest's, and the budget ends every process the program started in its process group.
set(VX5H_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
if(VX5H_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VX5H_WINE_RUN})
endif()

# "Z:\usr\..." : wine's drive Z: is the host's root folder.
function(vx5h_wine_path out folder)
  string(REPLACE "/" "\\" windows "Z:${folder}")
  set(${out} "${windows}" PARENT_SCOPE)
endfunction()

function(vx5h_write_wine_run)
  # A folder of their own: the folders they come from hold other DLLs (a 64-bit zlib1.dll,
  # say) that wine would then take for its own in 32-bit processes.
  set(runtime ${CMAKE_BINARY_DIR}/mingw-runtime)
  file(COPY ${VX5H_MINGW_RUNTIME} DESTINATION ${runtime})
  set(folders ${runtime})
  set(plugins "")
  if(TARGET Qt6::Core)
    get_target_property(core Qt6::Core IMPORTED_LOCATION_RELEASE)
    get_filename_component(qt_bin ${core} DIRECTORY)
    list(APPEND folders ${qt_bin})
    vx5h_wine_path(plugins ${qt_bin}/../plugins)
  endif()
  set(path "")
  foreach(folder ${folders})
    vx5h_wine_path(windows ${folder})
    string(APPEND path "${windows};")
  endforeach()
  string(REPLACE "\\" "\\\\" path "${path}")
  string(REPLACE "\\" "\\\\" plugins "${plugins}")
  file(CONFIGURE OUTPUT ${VX5H_WINE_RUN} @ONLY CONTENT [[#!/bin/sh
# Runs a Windows program of this build under wine (made by cmake/WindowsCross.cmake).
WINEPATH="@path@${WINEPATH:-}" \
QT_PLUGIN_PATH="${QT_PLUGIN_PATH:-@plugins@}" \
WINEPREFIX="${WINEPREFIX:-@CMAKE_BINARY_DIR@/wine-prefix}" \
WINEDEBUG="${WINEDEBUG:--all}" \
WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}" \
exec timeout -k 10 "${VX5H_WINE_BUDGET:-290}" "@VX5H_WINE@" "$@"
]])
  file(CHMOD ${VX5H_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
endfunction()
