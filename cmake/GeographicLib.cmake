# GeographicLib (Debian: libgeographiclib-dev), the geodesics of the WGS 84 ellipsoid used by the
# navigator emulator and by the library's route watcher. Defines the interface target
# oxsdk::GeographicLib when the headers and the library are found, and nothing otherwise: each
# user decides what it does without it. Included once, from wherever it is needed first.
include_guard(GLOBAL)

find_path(OXSDK_GEOGRAPHICLIB_INCLUDE_DIR GeographicLib/Geodesic.hpp)
find_library(OXSDK_GEOGRAPHICLIB_LIBRARY NAMES GeographicLib Geographic)
if(OXSDK_GEOGRAPHICLIB_INCLUDE_DIR AND OXSDK_GEOGRAPHICLIB_LIBRARY)
    add_library(oxsdk_geographiclib INTERFACE)
    add_library(oxsdk::GeographicLib ALIAS oxsdk_geographiclib)
    target_include_directories(oxsdk_geographiclib SYSTEM INTERFACE
                               ${OXSDK_GEOGRAPHICLIB_INCLUDE_DIR})
    target_link_libraries(oxsdk_geographiclib INTERFACE ${OXSDK_GEOGRAPHICLIB_LIBRARY})
    message(STATUS "GeographicLib: ${OXSDK_GEOGRAPHICLIB_LIBRARY}")
else()
    message(STATUS "GeographicLib: not found (Debian package libgeographiclib-dev)")
endif()
