# cmake -DNPM=… -DPREFIX=… -DPACKAGE=name@version -P fetch_npm.cmake
# Installs one npm package under PREFIX, with npm's cache there too (not in the home
# folder). A failure is reported but does not stop the build: the test that needs the
# package fails instead.
if(NOT NPM)
  message(WARNING "npm not found; ${PACKAGE} not fetched")
  return()
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env npm_config_cache=${PREFIX}/cache
          npm_config_update_notifier=false
          ${NPM} install --prefix ${PREFIX} --no-save --no-audit --no-fund ${PACKAGE}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(WARNING "npm install ${PACKAGE} failed (${result})")
endif()
