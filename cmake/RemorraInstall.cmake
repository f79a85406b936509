# What `cmake --install` puts where. Linux: the usual places under the
# prefix, as the Debian package ships them (debian/). Windows: one program
# folder, as the installer ships it (packaging/windows/remorra.nsi, target
# `installer`).
if(WIN32)
  install(TARGETS remorra-win32 remorra-ir RUNTIME DESTINATION .)
  install(FILES ${REMORRA_DATA_FILES} DESTINATION .)
  include(${CMAKE_SOURCE_DIR}/cmake/RemorraInstaller.cmake)
  return()
endif()

include(GNUInstallDirs)
if(TARGET remorra)
  install(TARGETS remorra)
endif()
install(TARGETS remorra-ir)
# The program's data folder is compiled in as <prefix>/share/remorra.
install(FILES ${REMORRA_DATA_FILES} DESTINATION share/remorra)

set(linux_data ${CMAKE_SOURCE_DIR}/data/linux)
install(FILES ${linux_data}/remorra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${linux_data}/app.remorra.Remorra.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/qt/icons/remorra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/qt/icons/remorra-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME remorra.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/docs/man/remorra.1 ${CMAKE_SOURCE_DIR}/docs/man/remorra-ir.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Receiver nodes for the user at the seat (uaccess); udev reads
# <prefix>/lib/udev/rules.d for /usr and /usr/local alike.
install(FILES ${linux_data}/70-remorra.rules DESTINATION lib/udev/rules.d)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/remorra)
install(FILES ${CMAKE_SOURCE_DIR}/docs/about-box.png ${CMAKE_SOURCE_DIR}/docs/main-window.png
              ${CMAKE_SOURCE_DIR}/docs/main-window-windows.png
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/remorra/docs)
