# The Debian package: both programs, the desktop entry, the icons, the man
# pages (compressed, as Debian wants them) and the copyright file. Made by
# scripts/package-deb.sh.
include(GNUInstallDirs)

set(man_pages "")
foreach(page tallyvane-report tallyvane-journal)
  set(out "${PROJECT_BINARY_DIR}/man/${page}.1.gz")
  add_custom_command(OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/man"
    COMMAND gzip -9n -c "${PROJECT_SOURCE_DIR}/packaging/${page}.1" > "${out}"
    DEPENDS "${PROJECT_SOURCE_DIR}/packaging/${page}.1" VERBATIM)
  list(APPEND man_pages "${out}")
endforeach()
set(changelog "${PROJECT_BINARY_DIR}/man/changelog.gz")
add_custom_command(OUTPUT "${changelog}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/man"
  COMMAND gzip -9n -c "${PROJECT_SOURCE_DIR}/packaging/changelog" > "${changelog}"
  DEPENDS "${PROJECT_SOURCE_DIR}/packaging/changelog" VERBATIM)
add_custom_target(tallyvane_man_pages ALL DEPENDS ${man_pages} "${changelog}")
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${changelog}"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tallyvane-journal)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyvane-journal)
set(CPACK_PACKAGE_VENDOR Tallyvane)
set(CPACK_PACKAGE_CONTACT "Tallyvane <journal@tallyvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "see when this computer was in use, and for how long\n Tallyvane Journal reads the system's history of boots, shutdowns, crashes,\n sleeps and resumes (or a Windows event log file) and shows the time spent\n each day and each month, in a window or on the command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "hicolor-icon-theme")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
