drv_add_test(tst_app tst_app.cpp)
add_dependencies(tst_app drvesk)
