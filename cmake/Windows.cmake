# What the Windows build adds to the Linux one: the icon resource, and a
# program of the GUI subsystem (no console window). Its side of the platform
# layer is chosen in src/io.
enable_language(RC)

# The icon group "VSE_ICON": the hand-drawn 32 x 32 that the window loads by
# name, and 16, 48 and 256 pixel renderings of the SVG for Explorer, the title
# bar and the taskbar. The 256 one is stored as PNG, as Windows expects.
find_program(VSE_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(VSE_ICOTOOL icotool REQUIRED)
set(VSE_ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/data/ico)
set(VSE_ICON_PNGS)
foreach(size 16 48 256)
  add_custom_command(OUTPUT ${VSE_ICON_DIR}/${size}.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VSE_ICON_DIR}
    COMMAND ${VSE_RSVG_CONVERT} -w ${size} -h ${size} -o ${VSE_ICON_DIR}/${size}.png
            ${CMAKE_CURRENT_SOURCE_DIR}/data/vornsplineedit.svg
    DEPENDS data/vornsplineedit.svg VERBATIM)
  list(APPEND VSE_ICON_PNGS ${VSE_ICON_DIR}/${size}.png)
endforeach()
add_custom_command(OUTPUT ${VSE_ICON_DIR}/vornsplineedit.ico
  COMMAND ${VSE_ICOTOOL} -c -o ${VSE_ICON_DIR}/vornsplineedit.ico
          ${VSE_ICON_DIR}/16.png ${CMAKE_CURRENT_SOURCE_DIR}/data/vornsplineedit.png
          ${VSE_ICON_DIR}/48.png -r ${VSE_ICON_DIR}/256.png
  DEPENDS ${VSE_ICON_PNGS} data/vornsplineedit.png VERBATIM)
set_source_files_properties(src/app/vornsplineedit.rc PROPERTIES
  OBJECT_DEPENDS ${VSE_ICON_DIR}/vornsplineedit.ico)
target_sources(vornsplineedit PRIVATE src/app/vornsplineedit.rc)
target_include_directories(vornsplineedit PRIVATE ${VSE_ICON_DIR})
set_target_properties(vornsplineedit PROPERTIES WIN32_EXECUTABLE ON)
