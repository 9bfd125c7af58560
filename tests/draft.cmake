# Drafts of unsaved text: the file and its writer, the start-up offer in the main window.
drv_add_test(tst_draft tst_draft.cpp LIBS draft)
