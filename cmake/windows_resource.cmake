# SPDX-License-Identifier: MIT
# pylo_windows_resource(TARGET DESCRIPTION): gives a Windows program its version resource
# (product name, version, description, from project()) and its application manifest.
enable_language(RC)

function(pylo_windows_resource target description)
  set(PYLO_RC_NAME ${target})
  set(PYLO_RC_DESCRIPTION ${description})
  set(PYLO_RC_MANIFEST ${PROJECT_SOURCE_DIR}/cmake/windows.manifest)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows_version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${PYLO_RC_MANIFEST})
endfunction()
