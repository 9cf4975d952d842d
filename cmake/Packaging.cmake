# What the Debian package holds beyond the two programs (their install rules are beside
# their targets), and how CPack builds it: `scripts/package OUTDIR` runs `cpack -G DEB` in a
# Release tree.
include(GNUInstallDirs)
set(LIGA_RUN_TO_FILE ${CMAKE_CURRENT_LIST_DIR}/RunToFile.cmake)

# liga_install_manpage(<page.1> <target>): installs the page gzip-compressed (as Debian's
# policy wants it) into man1; the compressed copy is made after <target> wrote the page.
function(liga_install_manpage page target)
  get_filename_component(name ${page} NAME)
  set(gz ${CMAKE_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} "-DCMD=gzip;-9nc;${page}" -DOUT=${gz} -P ${LIGA_RUN_TO_FILE}
    DEPENDS ${page} ${target} VERBATIM)
  add_custom_target(${name}_gz ALL DEPENDS ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

set(LIGA_SHARE ${PROJECT_SOURCE_DIR}/share)
# The desktop file, the 128 px and the scalable icon are installed beside the window's
# target (src/gui); these are the other sizes the menus ask for.
foreach(size 48 256)
  install(FILES ${LIGA_SHARE}/icons/${size}x${size}/ligawin32.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${LIGA_SHARE}/se.ligawin32.LigaWin32.metainfo.xml DESTINATION share/metainfo)
liga_install_manpage(${LIGA_SHARE}/man/ligawin32.1 "")
install(FILES ${LIGA_SHARE}/debian/copyright DESTINATION share/doc/ligawin32)
set(changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} "-DCMD=gzip;-9nc;${LIGA_SHARE}/debian/changelog"
          -DOUT=${changelog_gz} -P ${LIGA_RUN_TO_FILE}
  DEPENDS ${LIGA_SHARE}/debian/changelog VERBATIM)
add_custom_target(liga_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION share/doc/ligawin32)

set(CPACK_PACKAGE_NAME ligawin32)
set(CPACK_PACKAGE_VENDOR "LigaWin32 for Linux")
set(CPACK_PACKAGE_CONTACT
    "LigaWin32 for Linux maintainers <maintainers@users.noreply.c-seed-1f53ae08.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "league and tournament administrator")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "LigaWin32 registers competitions, classes and teams, generates round-robin\n\
schedules over the play times, takes results and prints standings, team\n\
lists, schedules, match protocols, labels and payment slips. It mails every\n\
team its schedule and publishes the season as a static web site. The user\n\
interface is in Swedish. The package holds the desktop program ligawin32 and\n\
the command liga.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Swedish texts for its own dialogs (the print dialog, file dialogs) are not a
# library dependency; the platform plugins come with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
