drv_add_test(tst_keep tst_keep.cpp LIBS keep)
