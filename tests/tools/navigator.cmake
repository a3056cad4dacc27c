# Tests of the navigator emulator (tools/oxsdk-navigator): unit tests of its logic (the command
# handler driven through the scripted layer of tests/support), and end-to-end tests that start
# the real program on a temporary emulated device and talk to it through the library.
if(TARGET oxsdk_navigator_core)
    file(GLOB OXSDK_NAVIGATOR_UNIT_SOURCES CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/navigator/*_test.cc)
    list(FILTER OXSDK_NAVIGATOR_UNIT_SOURCES EXCLUDE REGEX "_e2e_test\\.cc$")
    add_executable(oxsdk_emulator_tests ${OXSDK_NAVIGATOR_UNIT_SOURCES}
                   ${CMAKE_CURRENT_SOURCE_DIR}/navigator/navigator_fixture.cc)
    target_link_libraries(oxsdk_emulator_tests PRIVATE oxsdk_navigator_core oxsdk_test_support
                                                        GTest::gtest_main)
    set(OXSDK_COMMAND_SAMPLES ${PROJECT_SOURCE_DIR}/fuzz/corpus/command_handler)
    target_compile_definitions(oxsdk_emulator_tests PRIVATE
        OXSDK_NAVIGATOR_DATA="${PROJECT_SOURCE_DIR}/tools/oxsdk-navigator/data/places.csv"
        OXSDK_COMMAND_SAMPLES="${OXSDK_COMMAND_SAMPLES}")
    gtest_discover_tests(oxsdk_emulator_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS tools)

    file(GLOB OXSDK_NAVIGATOR_E2E_SOURCES CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/navigator/*_e2e_test.cc)
    if(OXSDK_NAVIGATOR_E2E_SOURCES)
        add_executable(oxsdk_emulator_e2e_tests ${OXSDK_NAVIGATOR_E2E_SOURCES}
                       ${CMAKE_CURRENT_SOURCE_DIR}/test_device.cc)
        target_link_libraries(oxsdk_emulator_e2e_tests PRIVATE oxsdk_navigator_core
                                                                GTest::gtest_main)
        target_include_directories(oxsdk_emulator_e2e_tests PRIVATE
                                   ${CMAKE_CURRENT_SOURCE_DIR})
        target_compile_definitions(oxsdk_emulator_e2e_tests PRIVATE
            OXSDK_NAVIGATOR_PATH="$<TARGET_FILE:oxsdk-navigator>"
            OXSDK_NAVIGATOR_DATA="${PROJECT_SOURCE_DIR}/tools/oxsdk-navigator/data/places.csv"
            OXSDK_COMMAND_SAMPLES="${OXSDK_COMMAND_SAMPLES}")
        add_dependencies(oxsdk_emulator_e2e_tests oxsdk-navigator)
        gtest_discover_tests(oxsdk_emulator_e2e_tests DISCOVERY_TIMEOUT 60
                             PROPERTIES LABELS "tools;e2e" TIMEOUT 300)
    endif()
endif()
