drv_add_test(tst_userdata tst_userdata.cpp LIBS settings)
drv_add_test(tst_store tst_store.cpp LIBS store)
drv_add_test(tst_shell tst_shell.cpp LIBS settings)
drv_add_test(tst_searchindex tst_searchindex.cpp LIBS mainwin)
