# Outside text the shell reads: every setting's value through the typed readers, and skier
# names files.
if(TARGET zelvan_app)
  zelvan_add_fuzzer(fuzz_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_settings.cpp
    LIBS zelvan_app Qt6::Core)
  zelvan_add_fuzzer(fuzz_names SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_names.cpp
    LIBS zelvan_app Qt6::Core)
endif()
