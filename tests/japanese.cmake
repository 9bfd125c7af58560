# The holidays are checked against public data: the npm package @holiday-jp/holiday_jp
# (MIT), fetched into the build folder. When it cannot be fetched the build goes on and
# tst_japanese fails, naming the missing file.
set(DRVESK_HOLIDAY_PACKAGE @holiday-jp/holiday_jp@2.5.1)
set(DRVESK_NPM_DIR ${CMAKE_BINARY_DIR}/npm)
set(DRVESK_HOLIDAY_DATA ${DRVESK_NPM_DIR}/node_modules/@holiday-jp/holiday_jp/lib/holidays.js)
find_program(DRVESK_NPM npm)
add_custom_command(OUTPUT ${DRVESK_HOLIDAY_DATA}
  COMMAND ${CMAKE_COMMAND} -DNPM=${DRVESK_NPM} -DPREFIX=${DRVESK_NPM_DIR}
          -DPACKAGE=${DRVESK_HOLIDAY_PACKAGE} -P ${CMAKE_CURRENT_SOURCE_DIR}/fetch_npm.cmake
  COMMENT "Fetching ${DRVESK_HOLIDAY_PACKAGE} for the holiday test"
  VERBATIM)
add_custom_target(holiday_data DEPENDS ${DRVESK_HOLIDAY_DATA})

drv_add_test(tst_japanese tst_japanese.cpp LIBS japanese store)
target_compile_definitions(tst_japanese PRIVATE DRV_HOLIDAY_DATA="${DRVESK_HOLIDAY_DATA}")
add_dependencies(tst_japanese holiday_data)
