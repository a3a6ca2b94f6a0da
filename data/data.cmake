# What a desktop needs besides the program: its menu entry, icon, AppStream data and manual page.
# The PNG icons are drawn from the one SVG at build time.
find_program(ZORVANE_RSVG_CONVERT rsvg-convert)
if(NOT ZORVANE_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert is needed to draw the icons (Debian librsvg2-bin, see scripts/setup)")
endif()

set(zv_data_out ${CMAKE_BINARY_DIR}/data)
configure_file(${CMAKE_CURRENT_LIST_DIR}/org.zorvane.Zorvane.metainfo.xml.in
               ${zv_data_out}/org.zorvane.Zorvane.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zorvane.1 ${zv_data_out}/zorvane.1 @ONLY)

set(ZORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(zv_icon_files)
foreach(size ${ZORVANE_ICON_SIZES})
  set(png ${zv_data_out}/icons/${size}x${size}/zorvane.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${zv_data_out}/icons/${size}x${size}
    COMMAND ${ZORVANE_RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
            ${CMAKE_CURRENT_LIST_DIR}/zorvane.svg
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/zorvane.svg
    COMMENT "Drawing the ${size}x${size} icon"
    VERBATIM)
  list(APPEND zv_icon_files ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(zv_icons ALL DEPENDS ${zv_icon_files})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/zorvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/org.zorvane.Zorvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${zv_data_out}/org.zorvane.Zorvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${zv_data_out}/zorvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
