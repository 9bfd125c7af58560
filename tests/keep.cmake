drv_add_test(tst_keep tst_keep.cpp LIBS keep)
drv_add_test(tst_keepwin tst_keepwin.cpp LIBS mainwin)
# The same windows on a real X server.
add_test(NAME tst_keepwin_xcb
         COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/under-xvfb.sh $<TARGET_FILE:tst_keepwin>)
set_tests_properties(tst_keepwin_xcb PROPERTIES ENVIRONMENT "${DRVESK_TEST_ENV}" TIMEOUT 300)
