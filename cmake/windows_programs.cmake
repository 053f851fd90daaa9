# The two Windows programs: Uninstaller.exe and Prefclear.exe.
#
# Both are windowless GUI programs that must start from a folder with nothing
# beside them (the uninstaller runs as a copy in the temporary folder), so the
# C and C++ runtimes are linked in and only system DLLs are imported. Each
# carries its manifest as resource 1 of type 24 and a version block
# (uninstaller/uninstaller.rc, prefclear/prefclear.rc), both with the
# project's version.

set(WIN_LINK_OPTIONS
  -mwindows
  -static -static-libgcc -static-libstdc++
  # ASLR and DEP; binutils turns these on by default for PE today, but the
  # shipped programs must not depend on the linker's defaults.
  -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  list(APPEND WIN_LINK_OPTIONS -Wl,--high-entropy-va)
endif()

# Search only System32 for the DLLs the programs import (the copy runs from
# the temporary folder, where anyone may drop a DLL). The flag lives in the
# PE load-configuration directory; GNU ld writes it from 2.42 on. Older
# linkers rely on the SetDefaultDllDirectories call at start instead.
include(CheckLinkerFlag)
check_linker_flag(CXX "LINKER:--dependent-load-flag=0x800" LINKER_HAS_DEPENDENT_LOAD_FLAG)
if(LINKER_HAS_DEPENDENT_LOAD_FLAG)
  list(APPEND WIN_LINK_OPTIONS -Wl,--dependent-load-flag=0x800)
endif()

# Release binaries ship stripped.
list(APPEND WIN_LINK_OPTIONS $<$<CONFIG:Release,MinSizeRel>:-s>)

# What the resource scripts include: version.h and the manifests, with the
# project version (four numbers for the version block and the manifest).
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
string(REPLACE "." ";" version_parts "${PROJECT_VERSION}.0.0.0")
list(SUBLIST version_parts 0 4 version_parts)
list(JOIN version_parts "." VERSION_QUAD)
list(JOIN version_parts "," version_numbers)
file(CONFIGURE OUTPUT ${GENERATED_DIR}/version.h CONTENT
  "// Written by CMake from the project version.\n#define VERSION_NUMBERS ${version_numbers}\n#define VERSION_TEXT \"${PROJECT_VERSION}\"\n")

# One program: its entry point, its library, its resource script (plain
# ASCII, so windres's code page does not matter) and its manifest template.
function(add_windows_program name driver_library winmain rc_file manifest_in)
  get_filename_component(manifest ${manifest_in} NAME_WLE)
  configure_file(${manifest_in} ${GENERATED_DIR}/${manifest} @ONLY)
  add_executable(${name} WIN32 ${winmain} ${rc_file}
    ${CMAKE_SOURCE_DIR}/platform/windows/terminate_handler.cpp)
  target_link_libraries(${name} PRIVATE ${driver_library})
  target_link_options(${name} PRIVATE ${WIN_LINK_OPTIONS})
  target_include_directories(${name} PRIVATE ${GENERATED_DIR})
  set_property(SOURCE ${rc_file} APPEND PROPERTY OBJECT_DEPENDS
    ${GENERATED_DIR}/${manifest} ${GENERATED_DIR}/version.h)
  if(DIST_DIR)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DIST_DIR})
  endif()
endfunction()

add_windows_program(Uninstaller uninstaller_driver
  ${CMAKE_SOURCE_DIR}/uninstaller/driver/winmain.cpp
  ${CMAKE_SOURCE_DIR}/uninstaller/uninstaller.rc
  ${CMAKE_SOURCE_DIR}/uninstaller/uninstaller.manifest.in)
add_windows_program(Prefclear prefclear_core
  ${CMAKE_SOURCE_DIR}/prefclear/winmain.cpp
  ${CMAKE_SOURCE_DIR}/prefclear/prefclear.rc
  ${CMAKE_SOURCE_DIR}/prefclear/prefclear.manifest.in)

# The release package of what ships (the i686 build) and the makers' kits
# (NSIS, Inno Setup and their shared check), which take the programs from
# their own folder, with the sample game their examples install: make dist.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(RELEASE_DIR ${CMAKE_SOURCE_DIR}/out/release CACHE PATH "Where make dist writes the release package")
  add_custom_target(dist
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/dist.sh ${PROJECT_NAME} ${PROJECT_VERSION} ${RELEASE_DIR}
            ${CMAKE_SOURCE_DIR}/docs/makers.md ${CMAKE_SOURCE_DIR}/recordcheck/sample/SampleGame
            $<TARGET_FILE:Uninstaller> $<TARGET_FILE:Prefclear> $<TARGET_FILE:GameFolderCheck>
            ${CMAKE_SOURCE_DIR}/dist/x64/recordcheck.exe
            ${CMAKE_SOURCE_DIR}/installer/nsis/GameFolderTools.nsh ${CMAKE_SOURCE_DIR}/installer/nsis/SampleGame.nsi
            ${CMAKE_SOURCE_DIR}/installer/inno/GameFolderTools.iss ${CMAKE_SOURCE_DIR}/installer/inno/SampleGame.iss
    VERBATIM)
  add_dependencies(dist Uninstaller Prefclear GameFolderCheck)
endif()

# recordcheck.exe: the check of an installed game on the Windows machine that
# holds it (the x86_64 build). It runs the programs' own code on the
# simulated Windows, which it carries under names of its own
# (platform/sim_names.h) so that no call of that code can reach the machine;
# only its own readers (recordcheck/*_windows.cpp) call the system, and only
# to read.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(recordcheck_exe_sources)
  foreach(dir platform common uninstaller/records uninstaller/removal uninstaller/driver prefclear recordcheck)
    collect_sources(found ${dir})
    list(APPEND recordcheck_exe_sources ${found})
  endforeach()
  list(FILTER recordcheck_exe_sources EXCLUDE REGEX "(/main|_posix)\\.cpp$")
  # recordcheck's own words are UTF-8 literals; the programs' code it runs
  # keeps its texts in CP932, as in the shipped programs.
  set(recordcheck_own ${recordcheck_exe_sources})
  list(FILTER recordcheck_own INCLUDE REGEX "/recordcheck/[^/]+\\.cpp$")
  set_source_files_properties(${recordcheck_own} PROPERTIES COMPILE_OPTIONS -fexec-charset=UTF-8)
  # nlohmann-json is header-only: Debian's headers, and no other of the host's.
  find_path(NLOHMANN_JSON_HEADERS nlohmann/json.hpp PATHS /usr/include /usr/local/include
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(nlohmann_only ${CMAKE_BINARY_DIR}/nlohmann-only)
  file(MAKE_DIRECTORY ${nlohmann_only})
  file(CREATE_LINK ${NLOHMANN_JSON_HEADERS}/nlohmann ${nlohmann_only}/nlohmann SYMBOLIC)
  add_executable(recordcheck_exe ${recordcheck_exe_sources})
  set_target_properties(recordcheck_exe PROPERTIES OUTPUT_NAME recordcheck)
  target_compile_definitions(recordcheck_exe PRIVATE SIMULATED_WINDOWS RECORDCHECK_VERSION="${PROJECT_VERSION}")
  target_include_directories(recordcheck_exe SYSTEM PRIVATE ${nlohmann_only})
  target_link_options(recordcheck_exe PRIVATE -municode -static -static-libgcc -static-libstdc++
                      -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va $<$<CONFIG:Release,MinSizeRel>:-s>)
  target_link_libraries(recordcheck_exe PRIVATE shell32 advapi32)
  if(DIST_DIR)
    set_target_properties(recordcheck_exe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DIST_DIR})
  endif()
endif()
