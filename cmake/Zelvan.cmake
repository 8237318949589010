# zelvan_library(<name> <sources>...)
# A static library zelvan_<name> with the alias zelvan::<name>. Every library shares the source
# root as include root: #include "grid/GridModel.h".
function(zelvan_library name)
  add_library(zelvan_${name} STATIC ${ARGN})
  add_library(zelvan::${name} ALIAS zelvan_${name})
  target_include_directories(zelvan_${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# zelvan_add_test(<name> SOURCES <files>... LIBS <libs>... [TIMEOUT <s>] [TOOL])
# One GoogleTest program per call, run headless by CTest. TOOL: the tests run zelvan-tool, so
# it is built first.
function(zelvan_add_test name)
  cmake_parse_arguments(T "TOOL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} zelvan::test_support GTest::gtest
                        GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZELVAN_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZELVAN_TOOL=$<TARGET_FILE:zelvan-tool>")
  if(T_TOOL)
    add_dependencies(${name} zelvan-tool)
  endif()
endfunction()
