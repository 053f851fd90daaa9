# The two Windows programs and the Windows build of the contract tests.
# (Minimal for now: manifests, version resources and hardening flags follow.)
set(WIN_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -mwindows)

add_executable(Uninstaller WIN32 ${CMAKE_SOURCE_DIR}/uninstaller/driver/winmain.cpp)
target_link_libraries(Uninstaller PRIVATE uninstaller_driver)
target_link_options(Uninstaller PRIVATE ${WIN_LINK_OPTIONS})

add_executable(Prefclear WIN32 ${CMAKE_SOURCE_DIR}/prefclear/winmain.cpp)
target_link_libraries(Prefclear PRIVATE prefclear_core)
target_link_options(Prefclear PRIVATE ${WIN_LINK_OPTIONS})

if(DIST_DIR)
  set_target_properties(Uninstaller Prefclear PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DIST_DIR})
endif()
