# zelvan_add_test(NAME sources... LIBS libs...)
# One GoogleTest executable per call, run headless by CTest.
function(zelvan_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Qt6::Core Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZELVAN_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZELVAN_TOOL=$<TARGET_FILE:zelvan-tool>")
endfunction()

# Subsystem libraries share the source root as include root: #include "grid/GridModel.h".
function(zelvan_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
