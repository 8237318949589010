# Grid geometry: solving a set-up, the whole "Complete" and the 49-point accuracy mesh.
if(benchmark_FOUND)
  add_executable(bench_grid ${CMAKE_CURRENT_LIST_DIR}/bench_grid.cpp)
  target_link_libraries(bench_grid PRIVATE zelvan_grid benchmark::benchmark
                        benchmark::benchmark_main)
endif()
