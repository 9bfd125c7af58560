drv_add_test(tst_userdata tst_userdata.cpp LIBS settings)
