# Runs the diary generator twice with the same arguments and fails unless both files
# are the same bytes. Called by ctest with GEN, SCHEMA and WORK set.
file(MAKE_DIRECTORY ${WORK})
foreach(i 1 2)
  file(REMOVE ${WORK}/diary${i}.mdb)
  execute_process(COMMAND ${GEN} --schema ${SCHEMA} --out ${WORK}/diary${i}.mdb --years 2
                  RESULT_VARIABLE rc OUTPUT_VARIABLE said)
  if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK}/diary${i}.mdb)
    message(FATAL_ERROR "gen_diary failed (${rc}): ${said}")
  endif()
endforeach()
# 2025 and 2026 hold 730 days, and every rare word is in exactly seven of them.
if(NOT said MATCHES "730 entries; ほたるいか 7, 牡蠣 7, 鷺 7")
  message(FATAL_ERROR "unexpected diary: ${said}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/diary1.mdb ${WORK}/diary2.mdb
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "gen_diary wrote different bytes for the same arguments")
endif()
