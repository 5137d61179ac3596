# The release package: a portable zip and an installer (NSIS), built with CPack,
# also on Linux. The key maker's libraries are not ours to ship.
install(TARGETS MERORVS RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/LIESMICH.txt DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/MERO.ini DESTINATION Beispiel)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MERO_PACKAGE_ARCH win64)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  # A 64-bit installer for the 64-bit tool (and for Wine setups that run 64-bit programs only).
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
else()
  set(MERO_PACKAGE_ARCH win32)
endif()

set(CPACK_PACKAGE_NAME "MERO-OVA-KeyDownload")
set(CPACK_PACKAGE_VENDOR "MERO")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MERO - OVA: Tachograph-Daten vom Key auf den PC")
set(CPACK_PACKAGE_FILE_NAME "MERO-OVA-KeyDownload-${PROJECT_VERSION}-${MERO_PACKAGE_ARCH}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "MERO OVA")
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/packaging/LIESMICH.txt")
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_NSIS_DISPLAY_NAME "MERO - OVA Key-Download ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "MERO - OVA Key-Download")
set(CPACK_NSIS_MUI_ICON "${CMAKE_SOURCE_DIR}/src/res/mero.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "MERORVS.exe")
set(CPACK_NSIS_MENU_LINKS "MERORVS.exe" "MERO - OVA Key-Download" "LIESMICH.txt" "LIESMICH")
# Silent installs (/S) pass the note by; downloaded files live outside the program folder and stay.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
  "MessageBox MB_OK|MB_ICONINFORMATION 'VantikDll.dll und ftd2xx.dll des Key-Herstellers bitte nach $INSTDIR kopieren.$\\r$\\nPlease copy the key maker$\\'s VantikDll.dll and ftd2xx.dll into $INSTDIR.' /SD IDOK")
include(CPack)
