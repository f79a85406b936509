# The Windows installer (NSIS): `cmake --build --preset mingw --target installer`
# installs the program into a staging folder, stripped, and packs it into
# remorra-setup-<version>.exe in the build folder.
find_program(REMORRA_MAKENSIS makensis)
set(REMORRA_SETUP ${CMAKE_BINARY_DIR}/remorra-setup-${PROJECT_VERSION}.exe)
set(stage ${CMAKE_BINARY_DIR}/installer-stage)
if(REMORRA_MAKENSIS)
  add_custom_target(installer
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${stage} --strip
    COMMAND ${REMORRA_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${stage} -DOUTFILE=${REMORRA_SETUP}
            -DICON=${CMAKE_SOURCE_DIR}/win32ui/remorra.ico ${CMAKE_SOURCE_DIR}/packaging/windows/remorra.nsi
    BYPRODUCTS ${REMORRA_SETUP}
    COMMENT "Packing ${REMORRA_SETUP}"
    VERBATIM)
else()
  add_custom_target(installer COMMAND ${CMAKE_COMMAND} -E echo "makensis is missing (package nsis)" COMMAND false)
endif()
add_dependencies(installer remorra-win32 remorra-ir)
