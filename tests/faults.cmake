# Nothing lost: crash safety, faults of the disk and the file, two running copies, big
# inputs. The helper stands in for a running copy of the program that the tests start,
# kill, run twice at once or starve of disk space.
add_executable(drv_crash_helper crash/CrashHelper.cpp crash/CrashEntries.cpp crash/CrashEntries.h)
target_include_directories(drv_crash_helper PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/crash)
target_link_libraries(drv_crash_helper PRIVATE store settings SQLite::SQLite3 Qt6::Core)
set_target_properties(drv_crash_helper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

foreach(t tst_crash)
  drv_add_test(${t} ${t}.cpp crash/CrashEntries.cpp LIBS store)
  target_include_directories(${t} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/crash)
  target_compile_definitions(${t} PRIVATE DRV_CRASH_HELPER="$<TARGET_FILE:drv_crash_helper>")
  add_dependencies(${t} drv_crash_helper)
endforeach()

drv_add_test(tst_faults tst_faults.cpp crash/Unprivileged.cpp crash/Unprivileged.h LIBS mainwin)
target_include_directories(tst_faults PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/crash)
target_compile_definitions(tst_faults PRIVATE DRV_CRASH_HELPER="$<TARGET_FILE:drv_crash_helper>")
add_dependencies(tst_faults drv_crash_helper)

drv_add_test(tst_bigentries tst_bigentries.cpp LIBS mainwin)

# Fuzz targets for the user-data folder, the word match, the typed date and the listing's
# date links, built only with clang like the settings file's (see fuzz/CMakeLists.txt); an
# ordinary test replays the inputs kept for them.
drv_add_test(tst_fuzzinputs tst_fuzzinputs.cpp fuzz/FaultExercises.cpp fuzz/FaultExercises.h
             LIBS mainwin)
target_include_directories(tst_fuzzinputs PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
target_compile_definitions(tst_fuzzinputs PRIVATE DRV_FUZZ_DIR="${CMAKE_CURRENT_SOURCE_DIR}/fuzz")
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  foreach(check UserData Match DateAnswer DateLink)
    string(TOLOWER ${check} name)
    add_executable(fuzz_${name} fuzz/fuzz_faults.cpp fuzz/FaultExercises.cpp fuzz/FaultExercises.h)
    target_include_directories(fuzz_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
    target_compile_definitions(fuzz_${name} PRIVATE DRV_FUZZ_CHECK_${check}=1)
    target_link_libraries(fuzz_${name} PRIVATE testsupport mainwin)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
  endforeach()
endif()
