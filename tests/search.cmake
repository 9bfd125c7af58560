drv_add_test(tst_search tst_search.cpp LIBS search)

# Not a test: makes the picture that scripts/screenshot-search.sh saves.
add_executable(shot_search shots/shot_search.cpp)
target_link_libraries(shot_search PRIVATE testsupport search)
set_target_properties(shot_search PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_dependencies(shot_search runtime_data)
