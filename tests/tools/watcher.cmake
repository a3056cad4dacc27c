# Tests of the library's watcher (tests/watcher): the geometry's table, and the watcher against
# the navigator emulator. Built where the library holds the watcher and the emulator is built.
if(OXSDK_HAVE_WATCHER AND TARGET oxsdk-navigator)
    add_executable(oxsdk_watcher_tests ${PROJECT_SOURCE_DIR}/tests/watcher/route_geometry_test.cc
                                       ${PROJECT_SOURCE_DIR}/tests/watcher/watcher_e2e_test.cc
                                       ${CMAKE_CURRENT_SOURCE_DIR}/test_device.cc)
    target_include_directories(oxsdk_watcher_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(oxsdk_watcher_tests PRIVATE oxsdk5link_internal GTest::gtest_main)
    target_compile_definitions(oxsdk_watcher_tests PRIVATE
        OXSDK_NAVIGATOR_PATH="$<TARGET_FILE:oxsdk-navigator>"
        OXSDK_NAVIGATOR_DATA="${PROJECT_SOURCE_DIR}/tools/oxsdk-navigator/data/places.csv")
    add_dependencies(oxsdk_watcher_tests oxsdk-navigator)
    gtest_discover_tests(oxsdk_watcher_tests DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS "watcher;e2e" TIMEOUT 300)
endif()
