# Where an installed Orvelle lives. Each program sits in a private folder with
# the skin and the manual beside it, as it looks for them there; bin/ only
# holds relative links to it, so the program finds its folder from any
# working folder and under any prefix (the link is resolved through
# /proc/self/exe).
include(GNUInstallDirs)

set(ORVELLE_PROGRAM_DIR lib/orvelle)
set(ORVELLE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ORVELLE_ICON_SIZES 16 22 24 32 48 64 128 256)

# orvelle_install_program(<target>): the program into the private folder, a
# link to it into bin/, and its manual page packaging/<target>.1 (gzipped, as
# Debian keeps them) into section 1.
function(orvelle_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${ORVELLE_PROGRAM_DIR})
  set(link ${CMAKE_CURRENT_BINARY_DIR}/links/${target})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/links)
  file(CREATE_LINK ../${ORVELLE_PROGRAM_DIR}/${target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})

  set(page ${ORVELLE_PACKAGING_DIR}/${target}.1)
  if(NOT EXISTS ${page})
    message(WARNING "${target} has no manual page ${page}")
    return()
  endif()
  set(packed ${CMAKE_CURRENT_BINARY_DIR}/man/${target}.1.gz)
  add_custom_command(
    OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND sh -c "gzip -9 -n -c '${page}' > '${packed}'"
    DEPENDS ${page}
    VERBATIM)
  add_custom_target(${target}_manpage ALL DEPENDS ${packed})
  install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

orvelle_install_program(orvelle)
if(TARGET orvelle-convert)
  orvelle_install_program(orvelle-convert)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/skin/orvelle-skin.svg
        DESTINATION ${ORVELLE_PROGRAM_DIR} RENAME mp3enc.dll)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${ORVELLE_PROGRAM_DIR}/help)

# Desktop integration: the menu entry, the metadata software centres show,
# and the icon in every size a desktop asks for.
install(FILES ${ORVELLE_PACKAGING_DIR}/orvelle.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ORVELLE_PACKAGING_DIR}/org.orvelle.Orvelle.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/assets/orvelle-icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME orvelle.svg)

# The bitmaps are drawn from the SVG at build time, so they never fall behind it.
add_executable(orvelle-icon-render ${ORVELLE_PACKAGING_DIR}/iconrender.cpp)
target_link_libraries(orvelle-icon-render PRIVATE orvelle_warnings)
target_link_libraries(orvelle-icon-render PRIVATE Qt6::Gui Qt6::Svg)
set(icon_root ${CMAKE_CURRENT_BINARY_DIR}/icons/hicolor)
set(icon_files)
foreach(size ${ORVELLE_ICON_SIZES})
  list(APPEND icon_files ${icon_root}/${size}x${size}/apps/orvelle.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_files}
  COMMAND orvelle-icon-render ${PROJECT_SOURCE_DIR}/assets/orvelle-icon.svg ${icon_root}
          ${ORVELLE_ICON_SIZES}
  DEPENDS orvelle-icon-render ${PROJECT_SOURCE_DIR}/assets/orvelle-icon.svg
  VERBATIM)
add_custom_target(orvelle_icons ALL DEPENDS ${icon_files})
install(DIRECTORY ${icon_root} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# A Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME orvelle)
set(CPACK_PACKAGE_VENDOR "Orvelle")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CD ripper and audio converter")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvelle turns the tracks of an audio CD into MP3, WAV, WMA, OGG or RM files, \
named from a FreeDB lookup, and converts audio files and the sound of video files \
into the same formats, with tags, per-format encoder settings and a preview player.")
set(CPACK_PACKAGE_CONTACT "Orvelle developers <support@orvelle.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.orvelle.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt plugins the program loads at run time (xcb, SVG, the sound backend)
# come with the libraries dpkg-shlibdeps finds, except the SQLite driver that
# a mirror keeps its state with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# Opening folders, the manual and web pages goes through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
