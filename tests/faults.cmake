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

# The fuzz targets for the user-data folder, the word match, the typed date and the
# listing's date links are built in fuzz/CMakeLists.txt; this test replays their kept inputs.
drv_add_test(tst_fuzzinputs tst_fuzzinputs.cpp fuzz/FaultExercises.cpp fuzz/FaultExercises.h
             LIBS mainwin)
target_include_directories(tst_fuzzinputs PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
target_compile_definitions(tst_fuzzinputs PRIVATE DRV_FUZZ_DIR="${CMAKE_CURRENT_SOURCE_DIR}/fuzz")
