# Windows programs the end-to-end tests need beside the shipped ones; never
# shipped. hold_open stands in for a running game (e2e/helpers/hold_open.cpp).
# The 64-bit build alone: it runs in every Wine prefix the tests use, and
# what it does (hold a file) does not depend on the word size.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_executable(hold_open ${CMAKE_SOURCE_DIR}/e2e/helpers/hold_open.cpp)
  target_link_options(hold_open PRIVATE -static -static-libgcc -static-libstdc++)
  set_target_properties(hold_open PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/e2e)
endif()
