# Installs the desktop program into an empty folder and checks what a
# desktop needs: the program with its modules and help page, the desktop
# entry declaring the four photo types, and the icon it names.
# Run with -DBUILD_DIR=<build> -DPREFIX=<empty folder>.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" --component desktop
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

foreach(file bin/Pekarun4Free bin/libIK5COM.so bin/libIK5FILE.so bin/libIK5EFFECT.so bin/help/help.htm
             share/applications/pekarun4free.desktop share/icons/hicolor/128x128/apps/pekarun4free.png
             share/icons/hicolor/16x16/apps/pekarun4free.png share/icons/hicolor/scalable/apps/pekarun4free.svg)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/pekarun4free.desktop" entry)
foreach(line "Type=Application" "Exec=Pekarun4Free %F" "Icon=pekarun4free"
             "MimeType=image/jpeg;image/png;image/tiff;image/bmp;")
  list(FIND entry "${line}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks \"${line}\"")
  endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/share/applications/pekarun4free.desktop"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects the desktop entry")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
