drv_add_test(tst_settingsfile tst_settingsfile.cpp LIBS settings)
# The fuzzer's check, and the inputs it found, are replayed by the ordinary test.
target_sources(tst_settingsfile PRIVATE fuzz/SettingsExercise.cpp crash/Unprivileged.cpp)
target_include_directories(tst_settingsfile PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fuzz
                           ${CMAKE_CURRENT_SOURCE_DIR}/crash)
target_compile_definitions(tst_settingsfile PRIVATE
  DRV_FUZZ_DIR="${CMAKE_CURRENT_SOURCE_DIR}/fuzz")
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_subdirectory(fuzz)
endif()
