# SPDX-License-Identifier: MIT
# What `cmake --install` puts beside the programs, and the packages `cpack` makes from it:
# a Debian package on Linux, a zip on Windows (scripts/package.sh makes both).
install(FILES README.md examples/keys.txt DESTINATION ${PYLO_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_DESCRIPTION "pyloload compiles a plain-text configuration file into the memory\n\
image of a PYLO, a device with 72 inputs that play back keyboard-key sequences,\n\
and writes it into the device over a serial port. pylocheck explains a\n\
configuration file and dumps its image, and pylo-sim plays the device on a\n\
pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT "pyloload maintainers <pyloload@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # pyloload_VERSION_ARCH.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)   # Depends from dpkg-shlibdeps
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
endif()

include(CPack)
