# vorlin_add_test(NAME SOURCES file... LIBS target...)
# Builds one Qt Test executable and registers it with CTest. Every test runs headless on the
# offscreen platform, so no display is needed, and in its own scratch folder under the build tree.
function(vorlin_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QUICK_BACKEND=software"
        TIMEOUT ${ARG_TIMEOUT})
endfunction()
