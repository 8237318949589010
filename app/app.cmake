# Shell logic: settings store and mirror, print-zone lines, debug and session logs, the Station.
zelvan_library(zelvan_app
  TextFiles.cpp TextFiles.h
  PrintZones.cpp PrintZones.h
  SettingsValues.cpp SettingsValues.h
  SettingsStore.cpp SettingsStore.h
  SettingsMirror.cpp SettingsMirror.h
  DebugLog.cpp DebugLog.h
  SessionLog.cpp SessionLog.h
  EmergencyReset.cpp EmergencyReset.h
  StartUp.cpp StartUp.h
  SkierNames.cpp SkierNames.h
  LogViewerLines.cpp LogViewerLines.h
  ConfigActions.cpp ConfigActions.h
  Station.cpp Station.h)
target_link_libraries(zelvan_app PUBLIC zelvan_platform zelvan_grid Qt6::Core)
if(ZELVAN_FUZZ)
  # Coverage feedback for the fuzz targets reaches into the value conversions.
  target_compile_options(zelvan_app PRIVATE -fsanitize=fuzzer-no-link)
endif()
