# The user manual: plain HTML pages shown by Help > Content, compiled into the window program
# and installed as documentation. index.html comes first and names every other page.
set(TARVOS_MANUAL_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TARVOS_MANUAL_PAGES
  index.html
  sweep.html
  end.html
  settings.html
  diagram.html
  documents.html
  command-line.html
  connection.html
  troubleshooting.html
)
# Pictures the pages show, kept with the README's images: their names in the manual, and the
# files they come from.
set(TARVOS_MANUAL_PICTURE_NAMES diagram.png)
set(TARVOS_MANUAL_PICTURE_FILES ${PROJECT_SOURCE_DIR}/docs/diagram.png)
