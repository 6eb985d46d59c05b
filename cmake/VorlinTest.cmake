# vorlin_add_test(NAME name SOURCES file... LIBS target...)
# (the name may also be given alone, without the NAME keyword)
# Builds one Qt Test executable and registers it with CTest. Every test runs headless on the
# offscreen platform, so no display is needed, and in its own scratch folder under the build tree.
function(vorlin_add_test)
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(ARG_NAME)
        set(name ${ARG_NAME})
    else()
        list(POP_FRONT ARG_UNPARSED_ARGUMENTS name)
    endif()
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
