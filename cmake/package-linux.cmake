# Installation and the Linux packages. "cmake --install" puts zunt in bin/,
# its manual page (man/zunt.1, once the source tree has one) in
# share/man/man1/, the README, the example and the Debian copyright and
# changelog in share/doc/zunt/, and the vim, neovim and emacs files. "cpack" makes zunt_VERSION_amd64.deb and
# zunt-VERSION-linux-x86_64.tar.gz from the same rules. Included after every
# target is defined.
include(GNUInstallDirs)

set(ZUNT_MAINTAINER "zunt maintainers <maintainers@users.noreply.c-seed-d8d29981.example>"
  CACHE STRING "The packages' maintainer: NAME <ADDRESS>")
set(ZUNT_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zunt)

# Debian keeps manual pages and changelogs compressed, without a time stamp.
function(zunt_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9 -n -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}")
endfunction()

configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
  ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
zunt_gzip(${CMAKE_BINARY_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
set(zunt_compressed ${CMAKE_BINARY_DIR}/packaging/changelog.gz)

# The manual page comes with the command-line work; the glob notices it when it lands.
file(GLOB zunt_man_page CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/zunt.1)
if(EXISTS ${PROJECT_SOURCE_DIR}/man/zunt.1)
  zunt_gzip(${PROJECT_SOURCE_DIR}/man/zunt.1 ${CMAKE_BINARY_DIR}/packaging/zunt.1.gz)
  list(APPEND zunt_compressed ${CMAKE_BINARY_DIR}/packaging/zunt.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/zunt.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
add_custom_target(zunt_compressed_docs ALL DEPENDS ${zunt_compressed})

install(TARGETS zunt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md packaging/debian/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${ZUNT_DOC_DIR})
install(FILES examples/quest/quest.txt examples/quest/quest.erm
  DESTINATION ${ZUNT_DOC_DIR}/examples/quest)
# The editors' files where each editor looks: vim in share/vim/vimfiles,
# neovim in share/nvim/site (one runtime folder serves both), emacs in
# share/emacs/site-lisp.
install(DIRECTORY editors/vim/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/vim/vimfiles)
install(DIRECTORY editors/vim/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/nvim/site)
install(FILES editors/emacs/zunt-mode.el DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/emacs/site-lisp)

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME zunt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zunt-${PROJECT_VERSION}-linux-x86_64)
set(CPACK_PACKAGE_CONTACT ${ZUNT_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "named variables and text constants for event scripts")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZUNT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The program is linked statically: it depends on no other package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "zunt is a preprocessor for a game's event scripts (.erm files). Beside each
script, a declarations file names script variables (a letter and a number)
and text constants; zunt replaces every reference to those names and writes
the finished script to the parent folder. Indexed references, local
variables and a compact mode that leaves out blanks are supported. All files
are Windows-1251 text; the first error stops the run with a message that
names the file and the line.")
include(CPack)
