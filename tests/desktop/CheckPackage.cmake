# Builds the Debian package into a scratch folder with scripts/package.sh and runs lintian on it.
# Any error, warning or info tag fails (hardening gaps are info tags); a tag that cannot be fixed
# belongs in debian/vorlin.lintian-overrides with its reason. Skipped when the tools are missing.
#   cmake -DSOURCE_DIR=<repo> -DOUT=<scratch dir> -DVERSION=<project version> -P CheckPackage.cmake
foreach(tool dpkg-buildpackage dh lintian)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message("package check skipped: no ${tool}; scripts/test.sh installs debhelper, dpkg-dev and lintian")
        return()
    endif()
endforeach()

# The build's log goes to the test's output, which CTest shows when the test fails.
execute_process(COMMAND "${SOURCE_DIR}/scripts/package.sh" "${OUT}" COMMAND_ERROR_IS_FATAL ANY)
file(GLOB changes "${OUT}/vorlin_${VERSION}_*.changes")
if(NOT changes)
    message(FATAL_ERROR "no package of version ${VERSION} in ${OUT}: is it the newest in debian/changelog?")
endif()

execute_process(COMMAND ${found_lintian} --pedantic --display-info ${changes}
                RESULT_VARIABLE result OUTPUT_VARIABLE tags ERROR_VARIABLE tags)
message("lintian --pedantic --display-info ${changes}:\n${tags}")
if(NOT result EQUAL 0 OR tags MATCHES "(^|\n)[EWI]: ")
    message(FATAL_ERROR "lintian found problems in the package")
endif()
