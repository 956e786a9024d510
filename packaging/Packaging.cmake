# Debian packages, built by scripts/package.sh with CPack:
#   kwp-import       the desktop program, kwpctl, desktop entry, icon, example INI, README
#   kwp-lineservice  the line service for the ERP server: routines, kwplsvc, example
#                    configuration, systemd unit
include(GNUInstallDirs)

set(KWP_PROGRAM_DOCS ${CMAKE_INSTALL_DATAROOTDIR}/doc/kwp-import)
install(TARGETS kwp-import kwpctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kwp-import.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/about/art/kwp-import.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps COMPONENT program)
foreach(size 32 256)
    install(FILES ${CMAKE_SOURCE_DIR}/about/art/kwp-import-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
            RENAME kwp-import.png COMPONENT program)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/kwp-import.ini.example
        DESTINATION ${KWP_PROGRAM_DOCS} COMPONENT program)

# The routines are kept as UTF-8; the ERP server's text is Windows-1252, so they are
# packaged converted, ready for the service's routine path.
set(KWP_LINESERVICE_DIR ${CMAKE_INSTALL_DATAROOTDIR}/kwp-lineservice)
set(KWP_LINESERVICE_DOCS ${CMAKE_INSTALL_DATAROOTDIR}/doc/kwp-lineservice)
file(GLOB KWP_ROUTINES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/gateway/mumps/*.m)
set(KWP_PACKAGED_ROUTINES)
foreach(routine ${KWP_ROUTINES})
    get_filename_component(name ${routine} NAME)
    set(converted ${CMAKE_BINARY_DIR}/lineservice/r/${name})
    add_custom_command(OUTPUT ${converted}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lineservice/r
        COMMAND iconv -f UTF-8 -t CP1252 ${routine} -o ${converted}
        DEPENDS ${routine} VERBATIM)
    list(APPEND KWP_PACKAGED_ROUTINES ${converted})
endforeach()
add_custom_target(kwp_lineservice_routines ALL DEPENDS ${KWP_PACKAGED_ROUTINES})
install(FILES ${KWP_PACKAGED_ROUTINES} DESTINATION ${KWP_LINESERVICE_DIR}/r
        COMPONENT lineservice)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/gateway/mumps/kwplsvc
        DESTINATION ${CMAKE_INSTALL_SBINDIR} COMPONENT lineservice)
install(FILES ${CMAKE_SOURCE_DIR}/gateway/mumps/gtm-env.sh
        DESTINATION ${KWP_LINESERVICE_DIR} COMPONENT lineservice)
install(FILES ${CMAKE_SOURCE_DIR}/gateway/mumps/kwplsvc.service
        DESTINATION lib/systemd/system COMPONENT lineservice)
install(FILES ${CMAKE_SOURCE_DIR}/gateway/mumps/README.md
              ${CMAKE_SOURCE_DIR}/gateway/mumps/PROTOCOL.md
              ${CMAKE_SOURCE_DIR}/gateway/mumps/kwplsvc.conf.example
        DESTINATION ${KWP_LINESERVICE_DOCS} COMPONENT lineservice)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kwp-import)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(KWP_PACKAGE_MAINTAINER "KWP-Import <kwp-import@example.org>" CACHE STRING
    "Maintainer field of the Debian packages")
set(CPACK_PACKAGE_CONTACT ${KWP_PACKAGE_MAINTAINER})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program lineservice)
# name_version_architecture.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME kwp-import)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SHLIBDEPS ON)
# Plug-ins the libraries do not name: the SQLite driver for the demo and local files, the
# ODBC driver and FreeTDS for SQL Server. Qt's own texts in German (qtbase_de.qm) come with
# Qt's translations.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-translations-l10n")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "libqt6sql6-odbc, tdsodbc")
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
    "Payroll export to the KORVEX ERP server\n\
KWP-Import carries a month's payroll lines from the payroll database into the\n\
ERP server and maps payroll wage types to ERP wage categories. kwpctl runs the\n\
preview and the export without a display.")

set(CPACK_DEBIAN_LINESERVICE_PACKAGE_NAME kwp-lineservice)
set(CPACK_DEBIAN_LINESERVICE_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_LINESERVICE_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_LINESERVICE_PACKAGE_DEPENDS "fis-gtm, passwd")
set(CPACK_DEBIAN_LINESERVICE_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/lineservice/postinst)
set(CPACK_DEBIAN_LINESERVICE_DESCRIPTION
    "KWP line service for the ERP server (GT.M)\n\
The service through which KWP-Import reaches the ERP server: it runs single M\n\
lines for allowed workstations and answers with their results.")

include(CPack)
