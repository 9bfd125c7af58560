drv_add_test(tst_calendar tst_calendar.cpp LIBS mainwin)
