drv_add_test(tst_mainwin tst_mainwin.cpp LIBS mainwin)
# The same window on a screen of twice the density.
add_test(NAME tst_mainwin_hidpi COMMAND tst_mainwin)
set_tests_properties(tst_mainwin_hidpi PROPERTIES ENVIRONMENT "${DRVESK_TEST_ENV};QT_SCALE_FACTOR=2" TIMEOUT 300)
include(${CMAKE_CURRENT_LIST_DIR}/mainwin_calendar.cmake)
drv_add_test(tst_preedit tst_preedit.cpp LIBS mainwin)
drv_add_test(tst_runningcopy tst_runningcopy.cpp LIBS mainwin)
