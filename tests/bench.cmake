# The benchmarks' diary generator: the same arguments give the same bytes.
include(${PROJECT_SOURCE_DIR}/bench/gen_diary.cmake)
add_test(NAME gen_diary_same_bytes
  COMMAND ${CMAKE_COMMAND} -DGEN=$<TARGET_FILE:gen_diary>
          -DSCHEMA=${PROJECT_SOURCE_DIR}/data/schema.sql
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/gen_diary_same_bytes
          -P ${PROJECT_SOURCE_DIR}/bench/check_gen_diary.cmake)
