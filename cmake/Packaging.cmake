# Installation: the shared library (versioned, with SONAME), the public headers, a CMake
# package (find_package(OXSDK5Link CONFIG REQUIRED) -> OXSDK5Link::OXSDK5Link), a pkg-config
# file oxsdk5link.pc, and the programs, which install themselves from their own folders.
# Also defines the `docs` target (cmake/Docs.cmake).
include(CMakePackageConfigHelpers)

set(OXSDK_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OXSDK5Link)

# The shared library is linked from the objects of oxsdk5link_objects, not from the object
# library itself, so the export set holds the shared library alone.
install(TARGETS OXSDK5Link
    EXPORT OXSDK5LinkTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
            NAMELINK_COMPONENT development
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/OXSDK5Link
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT development
    FILES_MATCHING PATTERN "*.h")

install(EXPORT OXSDK5LinkTargets
    NAMESPACE OXSDK5Link::
    DESTINATION ${OXSDK_CMAKE_PACKAGE_DIR}
    COMPONENT development)

configure_package_config_file(
    ${CMAKE_CURRENT_LIST_DIR}/OXSDK5LinkConfig.cmake.in
    ${PROJECT_BINARY_DIR}/OXSDK5LinkConfig.cmake
    INSTALL_DESTINATION ${OXSDK_CMAKE_PACKAGE_DIR})
# 5.x releases keep the interface of 5.2: same major version accepted.
write_basic_package_version_file(
    ${PROJECT_BINARY_DIR}/OXSDK5LinkConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/OXSDK5LinkConfig.cmake
    ${PROJECT_BINARY_DIR}/OXSDK5LinkConfigVersion.cmake
    DESTINATION ${OXSDK_CMAKE_PACKAGE_DIR}
    COMPONENT development)

# pkg-config: the prefix is found from the .pc file's own folder, so the file stays right
# whatever prefix `cmake --install --prefix` chooses; absolute install folders stay absolute.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(OXSDK_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
    file(RELATIVE_PATH OXSDK_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
    string(REGEX REPLACE "/$" "" OXSDK_PC_UP "${OXSDK_PC_UP}")
    set(OXSDK_PC_PREFIX "\${pcfiledir}/${OXSDK_PC_UP}")
endif()
foreach(dir IN ITEMS LIBDIR INCLUDEDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
        set(OXSDK_PC_${dir} "${CMAKE_INSTALL_${dir}}")
    else()
        set(OXSDK_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
    endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/oxsdk5link.pc.in
    ${PROJECT_BINARY_DIR}/oxsdk5link.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/oxsdk5link.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT development)

include(${CMAKE_CURRENT_LIST_DIR}/Docs.cmake)
