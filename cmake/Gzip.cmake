# cmake -DIN=file -DOUT=file.gz -P Gzip.cmake: as Debian wants manual pages,
# without a name or time stamp in the header so that builds repeat exactly.
execute_process(COMMAND gzip -9 -n -c "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "gzip ${IN} failed: ${_rc}")
endif()
