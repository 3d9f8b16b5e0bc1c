# `cmake --install`: the layout a distribution package ships.
#   bin/Pekarun4Free, bin/fotra           the programs
#   lib/pekarun4free/libIK5*.so           the image-file modules they load
#   share/pekarun4free/help/              the help pages the help command opens
#   share/applications, share/icons, share/metainfo, share/man/man1, share/doc
# The programs look for their modules and help beside themselves first (the
# build folder), then in this layout relative to bin/.
include(GNUInstallDirs)
set(FOTRA_RES_DIR ${PROJECT_SOURCE_DIR}/src/res)

install(TARGETS fotra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS IK5COM IK5FILE IK5EFFECT LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/pekarun4free)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${FOTRA_RES_DIR}/man/fotra.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(FOTRA_BUILD_GUI)
  install(TARGETS Pekarun4Free RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The help page as built, with its list of effects written in.
  install(DIRECTORY ${FOTRA_RES_DIR}/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/pekarun4free/help
          PATTERN help.htm EXCLUDE)
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/help/help.htm DESTINATION ${CMAKE_INSTALL_DATADIR}/pekarun4free/help)
  install(FILES ${FOTRA_RES_DIR}/pekarun4free.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${FOTRA_RES_DIR}/pekarun4free.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${FOTRA_RES_DIR}/man/Pekarun4Free.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${FOTRA_RES_DIR}/icons/pekarun4free-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME pekarun4free.png)
  endforeach()
  install(FILES ${FOTRA_RES_DIR}/icons/pekarun4free.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
