# The diary generator, shared by the benchmarks and by the test of its determinism.
if(NOT TARGET gen_diary)
  add_executable(gen_diary ${CMAKE_CURRENT_LIST_DIR}/gen_diary.cpp)
  target_include_directories(gen_diary PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_link_libraries(gen_diary PRIVATE SQLite::SQLite3)
  set_target_properties(gen_diary PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endif()
