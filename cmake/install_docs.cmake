# SPDX-License-Identifier: MIT
# What `cmake --install` puts beside the programs. On Linux the README and the example go under
# share/doc/pyloload (the example in examples/, as Debian keeps them; the licence reaches a
# Debian system as debian/copyright). On Windows everything lands in one folder, with the
# licence and the notices of the runtime libraries linked into the programs.
# scripts/package.sh makes the packages from it (debian/ for the .deb).
if(WIN32)
  install(FILES README.md examples/keys.txt LICENSE DESTINATION ${PYLO_INSTALL_DOCDIR})
  install(FILES cmake/windows_notices.txt DESTINATION ${PYLO_INSTALL_DOCDIR} RENAME THIRD-PARTY-NOTICES.txt)
else()
  install(FILES README.md DESTINATION ${PYLO_INSTALL_DOCDIR})
  install(FILES examples/keys.txt DESTINATION ${PYLO_INSTALL_DOCDIR}/examples)
endif()
