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

# The installed program with a real input method (fcitx5 and IBus, each with Mozc) under
# a real X server: typed romaji becomes hiragana in the diary.
find_package(X11 REQUIRED)
add_executable(drv_imtool support/ImTool.cpp support/WmClose.cpp)
target_link_libraries(drv_imtool PRIVATE editor X11::X11)
set_target_properties(drv_imtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_test(NAME e2e_ime COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/e2e-ime.sh ${CMAKE_BINARY_DIR}
                              ${CMAKE_BINARY_DIR}/artefacts)
set_tests_properties(e2e_ime PROPERTIES TIMEOUT 420)
