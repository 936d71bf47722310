# The version information and the manifest of a Windows program: the version
# from project(VERSION); common controls 6, DPI awareness, Windows 7 to 11 and
# long paths in the manifest.
#
#   zunt_add_windows_resources(TARGET "File description")
function(zunt_add_windows_resources target description)
  set(ZUNT_RC_NAME ${target})
  set(ZUNT_RC_DESCRIPTION "${description}")
  set(ZUNT_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/zunt.manifest.in ${ZUNT_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/zunt.rc.in ${rc} @ONLY)
  # windres reads the manifest without telling the build, so it is named here.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ZUNT_RC_MANIFEST})
  target_sources(${target} PRIVATE ${rc})
endfunction()
