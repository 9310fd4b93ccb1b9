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
