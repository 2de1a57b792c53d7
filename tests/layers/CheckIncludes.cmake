# Fails, naming file and line, when a source of the given folders includes a
# header of Qt Gui, Widgets or PrintSupport.
#   cmake -DSOURCE_DIR=src -DFOLDERS=common,store -P CheckIncludes.cmake
string(REPLACE "," ";" folders "${FOLDERS}")
set(gui_headers
  "Qt(Gui|Widgets|PrintSupport|OpenGL|Svg)"
  "Q(Widget|Application|GuiApplication|Dialog|MainWindow|MessageBox|FileDialog|Painter|Pixmap|Image|Icon|Font|FontMetrics|Color|Printer|PrintDialog|PrintPreviewDialog|Label|LineEdit|PushButton|ComboBox|TableWidget|TreeWidget|TextDocument|Clipboard|KeyEvent|MouseEvent|Screen|Window)")
list(JOIN gui_headers "|" alternatives)
set(pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](${alternatives})[/>\"]")
set(found "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    # One list element per line: the characters CMake lists treat specially go first.
    file(READ "${source}" text)
    string(REGEX REPLACE "[][;\\]" "_" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(number 0)
    foreach(line IN LISTS lines)
      math(EXPR number "${number} + 1")
      if(line MATCHES "${pattern}")
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
        string(APPEND found "  src/${name}:${number}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Core-only sources include headers of Qt Gui or Widgets:\n${found}")
endif()
message(STATUS "no Qt Gui or Widgets header in ${FOLDERS}")
