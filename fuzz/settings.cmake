# Arbitrary bytes as the value of every setting, through the typed readers.
if(TARGET zelvan_app)
  zelvan_add_fuzzer(fuzz_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_settings.cpp
    LIBS zelvan_app Qt6::Core)
endif()
