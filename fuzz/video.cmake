# The readers of outside picture and video files: RIFF/AVI headers and BMP files. Their
# sources are compiled into the target itself so that libFuzzer sees their coverage.
zelvan_add_fuzzer(fuzz_video
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_video.cpp
          ${PROJECT_SOURCE_DIR}/review/AviFile.cpp
          ${PROJECT_SOURCE_DIR}/review/cDIB.cpp
  LIBS zelvan_platform Qt6::Core Qt6::Gui)
target_include_directories(fuzz_video PRIVATE ${PROJECT_SOURCE_DIR})
