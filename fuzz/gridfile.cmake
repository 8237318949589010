# The grid file pair reader: arbitrary bytes for the grid file and its check-buoy file.
# The reader's own sources are compiled into the target so that libFuzzer's coverage sees
# inside them; the rest of the grid library comes from zelvan_grid.
zelvan_add_fuzzer(fuzz_gridfile
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_gridfile.cpp
          ${PROJECT_SOURCE_DIR}/grid/GridFile.cpp
          ${PROJECT_SOURCE_DIR}/grid/NumberForm.cpp
  LIBS zelvan_grid zelvan_platform)
target_include_directories(fuzz_gridfile PRIVATE ${PROJECT_SOURCE_DIR})
