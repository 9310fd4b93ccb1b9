# The conversion core must stay free of window code: a widget include in one of its
# files stops the configuration with the file's name.
function(qb_forbid_widgets files)
  foreach(f ${files})
    file(STRINGS ${f} _hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](QtWidgets|QWidget|QApplication|QMessageBox|QFileDialog|QMainWindow|QDialog|QLineEdit|QComboBox|QCheckBox|QPushButton|QPlainTextEdit|QTextEdit)")
    if(_hits)
      message(FATAL_ERROR "Window code in the conversion core: ${f}: ${_hits}")
    endif()
  endforeach()
endfunction()

# One direction of dependency (docs/ARCHITECTURE.md), from the top: convert/ (driver,
# controller, windows), the phases boards/ -> messages/ -> members/, output/, run/. A
# file may include its own folder and the folders below it, never one above: an include
# that breaks this stops the configuration with the file's name.
set(QB_LAYERS_ABOVE_run "convert|boards|messages|members|output")
set(QB_LAYERS_ABOVE_output "convert|boards|messages|members")
set(QB_LAYERS_ABOVE_members "convert|boards|messages")
set(QB_LAYERS_ABOVE_messages "convert|boards")
set(QB_LAYERS_ABOVE_boards "convert")
function(qb_check_layers files)
  foreach(f ${files})
    file(RELATIVE_PATH _rel ${CMAKE_SOURCE_DIR} ${f})
    string(REGEX MATCH "^[^/]+" _folder "${_rel}")
    if(NOT DEFINED QB_LAYERS_ABOVE_${_folder})
      continue()
    endif()
    file(STRINGS ${f} _hits REGEX "^[ \t]*#[ \t]*include[ \t]*\"(${QB_LAYERS_ABOVE_${_folder}})/")
    if(_hits)
      message(FATAL_ERROR "Layering: ${_rel} (${_folder}/) includes a layer above it: ${_hits}")
    endif()
  endforeach()
endfunction()
