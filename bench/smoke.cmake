# Runs vorlin-bench --tiny --large; passes when it exits with 0 and its output ends with every
# figure in its order, each with a value (as printed with %g: "11", "0.7", "1.2e+03") or "refused".
execute_process(COMMAND ${BENCH} --tiny --large RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}")
set(figures folder_100k_ratio folder_10k_ratio folder_1m_ratio rename_100k_ratio click_100k_ratio
            preview_2000x400_ratio preview_8000x6000_ratio preview_huge_ratio preview_huge_rle_ratio
            startup_ratio memory_100k_mb memory_1m_mb preview_huge_mb)
string(REPLACE ";" "\n" tail "${figures}")
string(REGEX REPLACE " ([0-9][0-9.e+-]*|refused)\n" "\n" names "${output}")
if(NOT result EQUAL 0 OR NOT names MATCHES "\n${tail}\n$")
    message(FATAL_ERROR "vorlin-bench --tiny --large failed (${result}) or did not end with every figure:\n${errors}")
endif()
