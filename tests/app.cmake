drv_add_test(tst_app tst_app.cpp)
add_dependencies(tst_app drvesk)

# The installed program under a real X server, driven by X key events.
add_test(NAME e2e COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/e2e.sh ${CMAKE_BINARY_DIR}
                          ${CMAKE_BINARY_DIR}/artefacts)
set_tests_properties(e2e PROPERTIES TIMEOUT 300)

# The desktop metadata as software centres read it.
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  add_test(NAME appstream_valid
           COMMAND ${APPSTREAMCLI} validate --no-net
                   ${PROJECT_SOURCE_DIR}/data/desktop/jp.orbena.drvesk.metainfo.xml)
endif()

# Typed text outlives SIGKILL: kills while typing, restore at the next start.
add_test(NAME e2e_drafts COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/e2e-drafts.sh ${CMAKE_BINARY_DIR})
# Alone, so that the machine's other work does not hold up its key events.
set_tests_properties(e2e_drafts PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
