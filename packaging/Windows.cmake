# Windows installer (CPack NSIS) and zip of the same folder, built by scripts/windows.sh.
# Everything lands in one folder, %ProgramFiles%\KORVEX\KWP-Import: both programs, the DLLs
# they load, Qt's plugins beside them (where Qt looks first), the German Qt texts, the README
# and the example INI.
enable_language(RC)
set_target_properties(kwp-import PROPERTIES WIN32_EXECUTABLE ON)

# The program's icon, made from the artwork's PNG (ImageMagick).
find_program(KWP_CONVERT convert REQUIRED)
set(KWP_ICON ${CMAKE_BINARY_DIR}/kwp-import.ico)
add_custom_command(OUTPUT ${KWP_ICON}
    COMMAND ${KWP_CONVERT} ${CMAKE_SOURCE_DIR}/about/art/kwp-import-256.png
            -define icon:auto-resize=256,48,32,16 ${KWP_ICON}
    DEPENDS ${CMAKE_SOURCE_DIR}/about/art/kwp-import-256.png VERBATIM)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/kwp-import.rc
               ${CMAKE_BINARY_DIR}/kwp-import.rc COPYONLY)
add_custom_target(kwp_icon DEPENDS ${KWP_ICON})
add_dependencies(kwp-import kwp_icon)
target_sources(kwp-import PRIVATE ${CMAKE_BINARY_DIR}/kwp-import.rc)
install(TARGETS kwp-import kwpctl RUNTIME DESTINATION . COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/kwp-import.ini.example
        DESTINATION . COMPONENT program)

set(KWP_SDK_QT ${KWP_WINDOWS_SDK}/qt)
set(KWP_SDK_DEPS ${KWP_WINDOWS_SDK}/deps)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE KWP_MINGW_STDCXX OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                OUTPUT_VARIABLE KWP_MINGW_GCC OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(KWP_MINGW_PTHREAD libwinpthread-1.dll
          PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
install(FILES
            ${KWP_SDK_QT}/bin/Qt6Core.dll ${KWP_SDK_QT}/bin/Qt6Gui.dll
            ${KWP_SDK_QT}/bin/Qt6Widgets.dll ${KWP_SDK_QT}/bin/Qt6Sql.dll
            ${KWP_SDK_QT}/bin/Qt6Network.dll
            ${KWP_SDK_DEPS}/bin/libssl-3-x64.dll ${KWP_SDK_DEPS}/bin/libcrypto-3-x64.dll
            ${KWP_SDK_DEPS}/bin/sqlite3.dll
            ${KWP_MINGW_STDCXX} ${KWP_MINGW_GCC} ${KWP_MINGW_PTHREAD}
        DESTINATION . COMPONENT program)
install(FILES ${KWP_SDK_QT}/plugins/platforms/qwindows.dll DESTINATION platforms COMPONENT program)
install(FILES ${KWP_SDK_QT}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles
        COMPONENT program)
install(FILES ${KWP_SDK_QT}/plugins/sqldrivers/qsqlite.dll
              ${KWP_SDK_QT}/plugins/sqldrivers/qsqlodbc.dll
        DESTINATION sqldrivers COMPONENT program)
# Qt's German texts (standard buttons, shortcuts) are the same on every platform: Debian's.
set(KWP_QT_TRANSLATIONS /usr/share/qt6/translations CACHE PATH
    "Folder with Qt's qtbase_de.qm (Debian: qt6-translations-l10n)")
install(FILES ${KWP_QT_TRANSLATIONS}/qtbase_de.qm DESTINATION translations COMPONENT program)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME KWP-Import)
set(CPACK_PACKAGE_VENDOR KORVEX)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME KWP-Import-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Payroll export to the KORVEX ERP server")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "KORVEX\\\\KWP-Import")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY KWP-Import)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_PACKAGE_EXECUTABLES kwp-import KWP-Import)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME KWP-Import)
set(CPACK_NSIS_PACKAGE_NAME KWP-Import)
set(CPACK_NSIS_INSTALLED_ICON_NAME kwp-import.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/kwp-import.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/kwp-import.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer (a 32-bit one would see the 32-bit views of the file system and the
# registry). The maker's folder and registry key go too when nothing else of them is left
# (after the uninstall section has removed the program's folder).
set(CPACK_NSIS_DEFINES "Target amd64-unicode
Function un.onUninstSuccess
  RMDir '$PROGRAMFILES64\\\\KORVEX'
  DeleteRegKey /ifempty SHCTX 'Software\\\\KORVEX'
FunctionEnd")
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/packaging/windows/Installer.txt)

include(CPack)
