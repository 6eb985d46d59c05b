# Runs a metadata validator on one file and fails on anything it reports, hints included.
#   cmake -DTOOL=<program> -DPACKAGE=<Debian package> -DARGS=<a;b> -DFILE=<file> -P RunValidator.cmake
# The validator is looked up when the test runs, so installing it later needs no reconfigure.
find_program(validator ${TOOL})
if(NOT validator)
    message(FATAL_ERROR "${TOOL} is not installed: install the Debian package ${PACKAGE} "
                        "(scripts/test.sh installs it) to check ${FILE}")
endif()
if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "no such file: ${FILE}")
endif()

execute_process(COMMAND ${validator} ${ARGS} ${FILE}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${TOOL} ${FILE}:\n${output}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TOOL} rejected ${FILE} (exit status ${result})")
endif()
# desktop-file-validate exits 0 on warnings and hints (such as two main categories, which list the
# entry twice in menus); either is still a fault in a file we ship.
if(output MATCHES "(^|\n)[^\n]*: (error|warning|hint): ")
    message(FATAL_ERROR "${TOOL} reported problems in ${FILE}")
endif()
