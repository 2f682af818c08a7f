# Writes the desktop entry for an installed copy: its Exec line names the
# installed monitor by its full path, quoted and escaped as desktop entries
# require when the path holds blanks or other reserved characters.
# Run by `cmake --install`, when the prefix is known. Input variables:
#   OV_DESKTOP_IN   the entry with the line Exec=ossivant
#   OV_DESKTOP_OUT  the file to write
#   OV_PROGRAM      the installed monitor
get_filename_component(exec "${OV_PROGRAM}" ABSOLUTE)
string(REPLACE "%" "%%" exec "${exec}")
if(exec MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")

file(READ "${OV_DESKTOP_IN}" entry)
string(FIND "${entry}" "\nExec=ossivant\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${OV_DESKTOP_IN} has no line Exec=ossivant")
endif()
string(REPLACE "\nExec=ossivant\n" "\nExec=${exec}\n" entry "${entry}")
file(WRITE "${OV_DESKTOP_OUT}" "${entry}")
