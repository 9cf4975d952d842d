# cmake -DOUT=<file> -DCMD=<program;args...> -P RunToFile.cmake: the program's standard output
# into <file>, replaced only when the program succeeds.
execute_process(COMMAND ${CMD} OUTPUT_FILE ${OUT}.tmp RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE ${OUT}.tmp)
  message(FATAL_ERROR "${CMD} failed: ${rc}")
endif()
file(RENAME ${OUT}.tmp ${OUT})
