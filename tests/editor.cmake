drv_add_test(tst_editor tst_editor.cpp LIBS editor)
drv_add_test(tst_ime tst_ime.cpp LIBS editor)
