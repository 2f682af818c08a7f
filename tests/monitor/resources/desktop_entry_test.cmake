# Writes the desktop entry for installed monitors at ordinary and awkward
# paths and checks the Exec line: blanks and reserved characters need quotes
# and backslashes, "%" is doubled, and nothing else of the entry changes.
# desktop-file-validate, when present, must accept every entry.
file(REMOVE_RECURSE "${OV_WORK_DIR}")
file(MAKE_DIRECTORY "${OV_WORK_DIR}")
find_program(VALIDATE desktop-file-validate)
set(OV_DESKTOP_IN "${OV_RESOURCES}/ossivant.desktop")
file(READ "${OV_DESKTOP_IN}" source)

# Rows: installed program | Exec line expected in the file
set(rows
  "/opt/ossivant/ossivant|Exec=/opt/ossivant/ossivant"
  "/opt/my apps/ossivant|Exec=\"/opt/my apps/ossivant\""
  "/opt/100%/ossivant|Exec=/opt/100%%/ossivant"
  "/srv/a\"b$c/ossivant|Exec=\"/srv/a\\\\\"b\\\\$c/ossivant\""
  "/srv/x(1)/ossivant|Exec=\"/srv/x(1)/ossivant\"")
set(failures 0)
set(n 0)
foreach(row IN LISTS rows)
  string(FIND "${row}" "|" bar)
  string(SUBSTRING "${row}" 0 ${bar} OV_PROGRAM)
  math(EXPR bar "${bar} + 1")
  string(SUBSTRING "${row}" ${bar} -1 expected)
  math(EXPR n "${n} + 1")
  set(OV_DESKTOP_OUT "${OV_WORK_DIR}/entry${n}.desktop")
  include("${OV_RESOURCES}/desktop_entry.cmake")

  file(READ "${OV_DESKTOP_OUT}" written)
  string(REPLACE "\nExec=ossivant\n" "\n${expected}\n" wanted "${source}")
  if(NOT written STREQUAL wanted)
    message(SEND_ERROR "${OV_PROGRAM}: expected\n${wanted}\ngot\n${written}")
    math(EXPR failures "${failures} + 1")
  endif()
  if(VALIDATE)
    execute_process(COMMAND ${VALIDATE} "${OV_DESKTOP_OUT}" RESULT_VARIABLE rc
                    OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR out)
      message(SEND_ERROR "${OV_PROGRAM}: desktop-file-validate: ${out}")
      math(EXPR failures "${failures} + 1")
    endif()
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} failures")
endif()
