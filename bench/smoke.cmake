# Runs vorlin-bench --tiny; passes when it exits with 0 and its output ends with the six figures
# in their order.
execute_process(COMMAND ${BENCH} --tiny RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "vorlin-bench --tiny failed (${result}):\n${errors}")
endif()
set(number "-?[0-9]+(\\.[0-9]+)?")
set(figures folder_100k_ratio folder_10k_ratio preview_2000x400_ratio preview_8000x6000_ratio startup_ratio
            memory_100k_mb)
set(tail "")
foreach(name IN LISTS figures)
    string(APPEND tail "${name} ${number}\n")
endforeach()
if(NOT output MATCHES "\n${tail}$")
    message(FATAL_ERROR "vorlin-bench --tiny did not end with the six figures")
endif()
