# The navigator emulator's live view (--http), where the build has it: its page in a headless
# Chromium while a route is driven (skipped, with status 77, where Chromium is not installed).
if(TARGET oxsdk_navigator_live AND OXSDK_NAVIGATOR_HAS_LIVE_VIEW AND TARGET oxsdk)
    # The screenshot it takes stays in the build folder: artefacts/live-view.png.
    add_test(NAME live_view_in_chromium
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/live/live_view_chromium.sh
                     $<TARGET_FILE:oxsdk-navigator> $<TARGET_FILE:oxsdk>
                     ${PROJECT_SOURCE_DIR}/tools/oxsdk-navigator/data/places.csv
                     ${CMAKE_BINARY_DIR}/artefacts)
    set_tests_properties(live_view_in_chromium PROPERTIES
        SKIP_RETURN_CODE 77 LABELS "tools;e2e" TIMEOUT 300)
endif()

# Hostile HTTP clients against the live view of the real emulator.
if(TARGET oxsdk_navigator_live AND OXSDK_NAVIGATOR_HAS_LIVE_VIEW)
    add_executable(oxsdk_live_view_e2e_tests live/live_view_limits_e2e_test.cc test_device.cc)
    target_include_directories(oxsdk_live_view_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(oxsdk_live_view_e2e_tests PRIVATE oxsdk_navigator_core GTest::gtest_main)
    target_compile_definitions(oxsdk_live_view_e2e_tests PRIVATE
        OXSDK_NAVIGATOR_PATH="$<TARGET_FILE:oxsdk-navigator>"
        OXSDK_NAVIGATOR_DATA="${PROJECT_SOURCE_DIR}/tools/oxsdk-navigator/data/places.csv")
    add_dependencies(oxsdk_live_view_e2e_tests oxsdk-navigator)
    gtest_discover_tests(oxsdk_live_view_e2e_tests DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS "tools;e2e" TIMEOUT 300)
endif()
