drv_add_test(tst_mainwin tst_mainwin.cpp LIBS mainwin)
include(${CMAKE_CURRENT_LIST_DIR}/mainwin_calendar.cmake)
