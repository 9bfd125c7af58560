# Drafts of unsaved text: the file and its writer, the start-up offer in the main window.
drv_add_test(tst_draft tst_draft.cpp LIBS draft)
drv_add_test(tst_drafts tst_drafts.cpp LIBS mainwin)

# A stand-in for a running copy that keeps drafts as fast as it can, for the crash test to kill.
add_executable(drv_draft_helper crash/DraftHelper.cpp crash/DraftGenerations.h)
target_include_directories(drv_draft_helper PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/crash)
target_link_libraries(drv_draft_helper PRIVATE draft Qt6::Core)
set_target_properties(drv_draft_helper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
drv_add_test(tst_draftcrash tst_draftcrash.cpp LIBS draft)
target_include_directories(tst_draftcrash PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/crash)
target_compile_definitions(tst_draftcrash PRIVATE DRV_DRAFT_HELPER="$<TARGET_FILE:drv_draft_helper>")
add_dependencies(tst_draftcrash drv_draft_helper)
# The same under a real X server: input-method events and focus as xcb delivers them.
add_test(NAME tst_drafts_xcb COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/support/under-xvfb.sh
                                     $<TARGET_FILE:tst_drafts>)
set_tests_properties(tst_drafts_xcb PROPERTIES ENVIRONMENT "${DRVESK_TEST_ENV}" TIMEOUT 300)
