# Windows build settings, read right after project() when the win64 preset cross-builds (it
# names this file in CMAKE_PROJECT_OXSDK5Link_INCLUDE):
# - programs and the DLL in one folder, as Windows looks for a DLL beside its program;
# - tests run under wine through cmake/wine-run.sh, on a wine prefix inside the build folder;
# - GoogleTest built for Windows from Debian's source package (/usr/src/googletest) and
#   offered to find_package(GTest) as if installed.
if(NOT WIN32 OR NOT CMAKE_CROSSCOMPILING)
    return()
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

find_program(OXSDK_WINE wine REQUIRED)
set(OXSDK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

if(NOT DEFINED OXSDK_BUILD_TESTS OR OXSDK_BUILD_TESTS)  # the option is declared later
    set(OXSDK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for Windows")
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${OXSDK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # find_package(GTest) takes the targets just defined.
    file(WRITE ${CMAKE_BINARY_DIR}/gtest-config/GTestConfig.cmake
         "# GoogleTest built in this tree for Windows (cmake/Windows.cmake).\n"
         "set(GTest_FOUND TRUE)\n")
    set(GTest_DIR ${CMAKE_BINARY_DIR}/gtest-config CACHE PATH "" FORCE)
endif()
