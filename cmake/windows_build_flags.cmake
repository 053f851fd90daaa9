# Compiler and linker flags of both Windows builds (win32 and win64 presets,
# MinSizeRel: -Os), for every target in them.
#
# Small: each function and object in a section of its own, so that the linker
# can leave out what nothing uses.
#
# Reproducible: the same sources give the same bytes in any folder, at any
# time. GNU ld writes the link time into the PE header unless told not to;
# paths in __FILE__ and in debug information are made relative to the source
# and build folders. windres writes no time stamp, and the program files are
# stripped.
add_compile_options(
  -ffunction-sections -fdata-sections
  -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
  -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
add_link_options(-Wl,--gc-sections -Wl,--no-insert-timestamp)
