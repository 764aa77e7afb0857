# The Windows installer, made by CPack's NSIS generator on Linux: a 64-bit
# installer (the tool is 64-bit) that puts everything in one program folder,
# adds a Start-menu entry and an uninstaller, and tells the operator where the
# link library goes. `/S` installs silently, `/D=FOLDER` chooses the folder.

set(CPACK_GENERATOR NSIS)
# The texts below reach the NSIS script as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_FILE_NAME pelsado-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Pelsado)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Pelsado)
set(CPACK_NSIS_PACKAGE_NAME Pelsado)
set(CPACK_NSIS_DISPLAY_NAME Pelsado)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The 64-bit target must precede every other line of the script (a constant
# such as $PROGRAMFILES64 met before it keeps its 32-bit meaning), and CPack's
# own script begins with other lines: makensis is called with the target set
# on its command line, which CPack cannot say in one argument.
if(CMAKE_HOST_UNIX)
    find_program(PELSADO_MAKENSIS makensis)
    set(CPACK_NSIS_EXECUTABLE ${PROJECT_BINARY_DIR}/makensis-amd64)
    file(WRITE ${CPACK_NSIS_EXECUTABLE}
        "#!/bin/sh\nexec '${PELSADO_MAKENSIS}' '-XTarget amd64-unicode' \"$@\"\n")
    file(CHMOD ${CPACK_NSIS_EXECUTABLE} PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/COPYING)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/app/pelsado.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/app/pelsado.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME pelsado.exe)
set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
set(CPACK_NSIS_CONTACT "${CPACK_PACKAGE_CONTACT}")
# The Start-menu entry; the tool sits in the program folder itself, not in bin.
set(CPACK_PACKAGE_EXECUTABLES pelsado Pelsado)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)

# The link library is the operator's, not ours to ship. The welcome and finish
# pages say where it goes; NSIS needs the text on one line, $\r$\n between lines.
set(libraryNote "Pelsado reaches the terminals through the link library wendalink.dll, \
which is not part of this installer. Copy wendalink.dll into the program folder, \
beside wendalink-bridge.exe")
set(CPACK_NSIS_DEFINES "
  !define MUI_WELCOMEPAGE_TEXT \"This installs Pelsado ${PROJECT_VERSION}.$\\r$\\n$\\r$\\n${libraryNote}, once the installation is done.\"
  !define MUI_FINISHPAGE_TEXT \"${libraryNote}:$\\r$\\n$\\r$\\n$INSTDIR$\\r$\\n$\\r$\\nUninstalling Pelsado removes it from there.\"")
# The library the operator added goes with the program folder.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "Delete \"$INSTDIR\\wendalink.dll\"")
