# The Windows download: zunt-VERSION-win64.zip with zunt.exe (and zunt-cli.exe
# when that program is built), success.wav, the user guide, the licence and
# the example, made by
# "cmake --build build-win --target package". Included after every target is
# defined.

# The success sound, made from a few lines of synthesis.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZUNT_SUCCESS_WAV ${CMAKE_BINARY_DIR}/success.wav)
add_custom_command(OUTPUT ${ZUNT_SUCCESS_WAV}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/packaging/windows/success_wav.py
          ${ZUNT_SUCCESS_WAV}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/windows/success_wav.py
  COMMENT "Making success.wav")
add_custom_target(success_wav ALL DEPENDS ${ZUNT_SUCCESS_WAV})

# The user guide names the version.
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in
  ${CMAKE_BINARY_DIR}/README.txt @ONLY)

install(TARGETS zunt RUNTIME DESTINATION .)
if(TARGET zunt-cli)
  install(TARGETS zunt-cli RUNTIME DESTINATION .)
endif()
install(FILES ${CMAKE_BINARY_DIR}/README.txt ${ZUNT_SUCCESS_WAV} DESTINATION .)
# Notepad++: the highlighting of both kinds of file, the NppExec script and a
# short guide to them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/notepad++/ DESTINATION notepad++)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
# The example to try it on: "zunt.exe quest" in examples\quest writes examples\quest.erm.
install(FILES ${PROJECT_SOURCE_DIR}/examples/quest/quest.txt
              ${PROJECT_SOURCE_DIR}/examples/quest/quest.erm DESTINATION examples/quest)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zunt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zunt-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The setup, zunt-VERSION-setup.exe, when NSIS is installed (Debian's nsis):
# the files of the zip, staged with cmake --install, listed for the installer
# by setup_files.py, and packaging/windows/zunt.nsi. makensis's warnings are
# errors.
find_program(ZUNT_MAKENSIS makensis)
if(ZUNT_MAKENSIS)
  set(ZUNT_SETUP ${CMAKE_BINARY_DIR}/zunt-${PROJECT_VERSION}-setup.exe)
  set(ZUNT_SETUP_STAGE ${CMAKE_BINARY_DIR}/setup)
  set(setup_programs zunt)
  if(TARGET zunt-cli)
    list(APPEND setup_programs zunt-cli)
  endif()
  file(GLOB setup_editor_files ${PROJECT_SOURCE_DIR}/editors/notepad++/*)
  add_custom_command(OUTPUT ${ZUNT_SETUP}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZUNT_SETUP_STAGE}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${ZUNT_SETUP_STAGE}/files
            --strip >/dev/null
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/packaging/windows/setup_files.py
            ${ZUNT_SETUP_STAGE}/files ${ZUNT_SETUP_STAGE}/files.nsh
    COMMAND ${ZUNT_MAKENSIS} -V2 -WX -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
            -DFILES_NSH=${ZUNT_SETUP_STAGE}/files.nsh -DOUTFILE=${ZUNT_SETUP}
            ${PROJECT_SOURCE_DIR}/packaging/windows/zunt.nsi
    DEPENDS ${setup_programs} ${ZUNT_SUCCESS_WAV} ${CMAKE_BINARY_DIR}/README.txt
            ${PROJECT_SOURCE_DIR}/packaging/windows/zunt.nsi
            ${PROJECT_SOURCE_DIR}/packaging/windows/setup_files.py ${setup_editor_files}
            ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/examples/quest/quest.txt
            ${PROJECT_SOURCE_DIR}/examples/quest/quest.erm
    COMMENT "Making zunt-${PROJECT_VERSION}-setup.exe")
  add_custom_target(setup ALL DEPENDS ${ZUNT_SETUP})
endif()
