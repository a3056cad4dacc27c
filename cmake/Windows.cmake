# Windows build settings, read right after project() when the win64 preset cross-builds (it
# names this file in CMAKE_PROJECT_OXSDK5Link_INCLUDE):
# - programs and the DLL in one folder, as Windows looks for a DLL beside its program;
# - tests run under wine through cmake/wine-run.sh, on a wine prefix inside the build folder;
# - GoogleTest built for Windows from Debian's source package (/usr/src/googletest) and
#   offered to find_package(GTest) as if installed;
# - the header-only packages of the tools (CLI11, nlohmann_json) taken from the host, through a
#   folder that holds only their headers, so that no other host header reaches a Windows compile.
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

# Header-only packages of the host, offered to find_package as if installed for Windows.
set(OXSDK_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(entry IN ITEMS "CLI11|CLI11::CLI11|CLI" "nlohmann_json|nlohmann_json::nlohmann_json|nlohmann")
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 package)
    list(GET entry 1 target)
    list(GET entry 2 folder)
    if(EXISTS /usr/include/${folder})
        file(MAKE_DIRECTORY ${OXSDK_HOST_HEADERS})
        file(CREATE_LINK /usr/include/${folder} ${OXSDK_HOST_HEADERS}/${folder} SYMBOLIC)
        file(WRITE ${CMAKE_BINARY_DIR}/package-config/${package}/${package}Config.cmake
             "# The host's header-only ${package} for the Windows build (cmake/Windows.cmake).\n"
             "if(NOT TARGET ${target})\n"
             "    add_library(${target} INTERFACE IMPORTED)\n"
             "    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES\n"
             "                          ${OXSDK_HOST_HEADERS})\n"
             "endif()\n"
             "set(${package}_FOUND TRUE)\n")
        set(${package}_DIR ${CMAKE_BINARY_DIR}/package-config/${package} CACHE PATH "" FORCE)
    endif()
endforeach()
