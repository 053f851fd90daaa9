# The contract tests as a Windows console program, for i686 and x86_64 alike,
# run under Wine (scripts/run-contract-tests-wine.sh). The same sources as
# the host build of contract_tests; here they call the real Win32 functions.
# The i686 build is the one that sees what the shipped programs see (the
# 32-bit registry view, among others).
file(GLOB contract_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/contract/*.cpp)
if(contract_sources)
  add_executable(contract_tests ${contract_sources})
  target_link_libraries(contract_tests PRIVATE platform ${TEST_MAIN})
  # Static runtime: the program runs in a bare Wine prefix, with no MinGW
  # DLL beside it.
  target_link_options(contract_tests PRIVATE -static -static-libgcc -static-libstdc++)
endif()
