drv_add_test(tst_correct tst_correct.cpp LIBS correct)
