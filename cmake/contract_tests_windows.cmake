# The contract tests as a 64-bit Windows console program, run under Wine
# (scripts/run-contract-tests-wine.sh). The same sources as the host build
# of contract_tests; here they call the real Win32 functions.
file(GLOB contract_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/contract/*.cpp)
if(contract_sources)
  # Only the 64-bit build can run here (no 32-bit Wine); the 32-bit one is
  # built on request only.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_executable(contract_tests ${contract_sources})
  else()
    add_executable(contract_tests EXCLUDE_FROM_ALL ${contract_sources})
  endif()
  target_link_libraries(contract_tests PRIVATE platform ${TEST_MAIN})
  # Static runtime: the program runs in a bare Wine prefix, with no MinGW
  # DLL beside it.
  target_link_options(contract_tests PRIVATE -static -static-libgcc -static-libstdc++)
endif()
