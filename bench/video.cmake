# Video review timings: frame grab, next frame and random seek on a 1080p MJPEG recording,
# beside the same work done by the ffmpeg program; with the capture engine present it also
# records the test files from "Test Pattern".
add_executable(bench_video ${CMAKE_CURRENT_LIST_DIR}/bench_video.cpp)
target_include_directories(bench_video PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(bench_video PRIVATE zelvan_review zelvan_platform Qt6::Core Qt6::Gui)
if(TARGET zelvan_capture)
  target_link_libraries(bench_video PRIVATE zelvan_capture)
  target_compile_definitions(bench_video PRIVATE ZELVAN_BENCH_CAPTURE=1)
endif()
