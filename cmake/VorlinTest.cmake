# vorlin_add_test(NAME name SOURCES file... LIBS target... [TIMEOUT seconds])
# Builds one Qt Test executable and registers it with CTest. Every test runs headless on the
# offscreen platform, so no display is needed.
# Seconds a test may take unless it names its own limit; scripts/mutate.sh lowers it, since a
# fault can make a test loop for ever.
set(VORLIN_TEST_TIMEOUT 300 CACHE STRING "Seconds a test may run")

function(vorlin_add_test)
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_NAME)
        message(FATAL_ERROR "vorlin_add_test needs NAME")
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT ${VORLIN_TEST_TIMEOUT})
    endif()
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set_tests_properties(${ARG_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT ${ARG_TIMEOUT})
endfunction()
