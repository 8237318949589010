# The grid file pair reader: arbitrary bytes for the grid file and its check-buoy file.
zelvan_add_fuzzer(fuzz_gridfile
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_gridfile.cpp
  LIBS zelvan_grid zelvan_platform)
