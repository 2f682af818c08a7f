# Renders one manual page with every groff warning on; any output fails.
execute_process(COMMAND ${GROFF} -ww -z -man ${PAGE}
  RESULT_VARIABLE status ERROR_VARIABLE warnings OUTPUT_VARIABLE output)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR NOT output STREQUAL "")
  message(FATAL_ERROR "${PAGE}: status ${status}\n${warnings}${output}")
endif()
file(READ ${PAGE} text)
foreach(section NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" "SEE ALSO")
  string(FIND "${text}" "\n.SH ${section}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${PAGE} has no section ${section}")
  endif()
endforeach()
