# What `cmake --install <build> --prefix <prefix>` puts under the prefix, and
# the Debian package `cpack -G DEB` makes of the same files (prefix /usr):
#   bin/glorvane                              the game
#   share/glorvane/                           its data (found from bin/ as ../share/glorvane)
#   share/applications/<id>.desktop           the menu's entry
#   share/icons/hicolor/<N>x<N>/apps/<id>.png the icon our own tool paints
#   share/metainfo/<id>.metainfo.xml          what software centres show
#   share/doc/glorvane/                       README, licence, Debian copyright, changelog
include(GNUInstallDirs)

set(packaging "${CMAKE_SOURCE_DIR}/packaging")
set(packaging_out "${CMAKE_BINARY_DIR}/packaging")
# The release's date, for the metainfo and the Debian changelog.
set(GLORVANE_RELEASE_DATE "2026-12-10")
set(GLORVANE_RELEASE_RFC2822 "Thu, 10 Dec 2026 12:00:00 +0000")

install(TARGETS glorvane RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(DIRECTORY "${GLORVANE_DATA_STAGE}/" DESTINATION "${CMAKE_INSTALL_DATADIR}/glorvane")
install(DIRECTORY "${GLORVANE_ICON_STAGE}/" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor")

configure_file("${packaging}/glorvane.desktop.in" "${packaging_out}/${GLORVANE_APP_ID}.desktop" @ONLY)
install(FILES "${packaging_out}/${GLORVANE_APP_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(CODE "set(GV_ENTRY \"${CMAKE_INSTALL_DATADIR}/applications/${GLORVANE_APP_ID}.desktop\")
              set(GV_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(SCRIPT "${CMAKE_SOURCE_DIR}/cmake/DesktopExec.cmake")
configure_file("${packaging}/glorvane.metainfo.xml.in" "${packaging_out}/${GLORVANE_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${packaging_out}/${GLORVANE_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Debian wants the manual page and the changelog compressed at the highest
# level, without a time stamp in the gzip header, so that the package is the
# same from every build. gv_gzip_configured(<template> <name> <target>): the
# template configured, then <packaging_out>/<name>.gz made by <target>.
function(gv_gzip_configured template name target)
  configure_file("${template}" "${packaging_out}/plain/${name}" @ONLY)
  add_custom_command(OUTPUT "${packaging_out}/${name}.gz"
    COMMAND ${CMAKE_COMMAND} -E copy "${packaging_out}/plain/${name}" "${packaging_out}/${name}"
    COMMAND gzip -9nf "${packaging_out}/${name}"
    DEPENDS "${packaging_out}/plain/${name}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${packaging_out}/${name}.gz")
endfunction()

gv_gzip_configured("${packaging}/glorvane.6" glorvane.6 manpage)
install(FILES "${packaging_out}/glorvane.6.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")
gv_gzip_configured("${packaging}/changelog.in" changelog changelog)
set(changelog_gz "${packaging_out}/changelog.gz")
install(FILES "${CMAKE_SOURCE_DIR}/README.md" "${CMAKE_SOURCE_DIR}/LICENSE" "${packaging}/copyright"
              "${changelog_gz}"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glorvane)
set(CPACK_PACKAGE_VENDOR "the Glorvane developers")
set(CPACK_PACKAGE_CONTACT "The Glorvane developers <developers@glorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "match-3 puzzle game on a quest through a jungle temple")
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Swap neighbouring gems on an 8x8 board to make rows of three or more of a
colour; the rows burst, the gems above fall and new chains follow. Collect
gems against the clock through a quest of 41 levels in five stages, from a
museum hall to the temple's treasury, with bonuses, power totems, a shop and
four bonus-level challenges.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from the libraries the executable links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Debian keeps games' executables in /usr/games.
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/cmake/DebianGamesLayout.cmake")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

if(GLORVANE_BUILD_TESTS)
  add_test(NAME install_checks COMMAND "${CMAKE_SOURCE_DIR}/scripts/check-install" "${CMAKE_BINARY_DIR}")
  set_tests_properties(install_checks PROPERTIES LABELS install)
endif()
