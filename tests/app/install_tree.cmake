# Installs the build into a fresh folder ROOT with the given PREFIX under it (DESTDIR), so that
# even a destination given as an absolute path stays inside ROOT.
#   cmake -DROOT=<folder> -DBUILD=<build folder> -DPREFIX=/usr -P install_tree.cmake
cmake_minimum_required(VERSION 3.22)
file(REMOVE_RECURSE "${ROOT}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT} ${CMAKE_COMMAND} --install ${BUILD}
          --prefix ${PREFIX}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install into ${ROOT} failed (${status}):\n${output}")
endif()
