# Tests of the oxsdk client: unit tests of its modules, and end-to-end runs of the program
# against navigator processes on a temporary emulated device.
if(TARGET oxsdk_cli_core)
    find_package(nlohmann_json REQUIRED)
    add_executable(oxsdk_cli_tests
        oxsdk/command_line_test.cc)
    target_link_libraries(oxsdk_cli_tests PRIVATE oxsdk_cli_core GTest::gtest_main)
    gtest_discover_tests(oxsdk_cli_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS tools)

    # The client against hostile or large input (POSIX hosts); it runs the oxsdk program too.
    if(NOT WIN32)
        add_executable(oxsdk_hardening_tests oxsdk/hardening_test.cc)
        target_link_libraries(oxsdk_hardening_tests PRIVATE oxsdk_cli_core GTest::gtest_main)
        target_include_directories(oxsdk_hardening_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        target_compile_definitions(oxsdk_hardening_tests PRIVATE
            OXSDK_CLIENT_PATH="$<TARGET_FILE:oxsdk>")
        add_dependencies(oxsdk_hardening_tests oxsdk)
        gtest_discover_tests(oxsdk_hardening_tests DISCOVERY_TIMEOUT 60
                             PROPERTIES LABELS "tools;e2e" TIMEOUT 300)
    endif()

    # Answers from a script and logs what it receives.
    add_executable(oxsdk_scripted_navigator oxsdk/scripted_navigator.cc)
    target_link_libraries(oxsdk_scripted_navigator PRIVATE oxsdk5link_internal)

    add_executable(oxsdk_client_e2e_tests oxsdk/oxsdk_e2e_test.cc
                                           test_device.cc)
    target_include_directories(oxsdk_client_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(oxsdk_client_e2e_tests PRIVATE
        oxsdk5link_internal nlohmann_json::nlohmann_json GTest::gtest_main)
    target_compile_definitions(oxsdk_client_e2e_tests PRIVATE
        OXSDK_CLIENT_PATH="$<TARGET_FILE:oxsdk>"
        OXSDK_SCRIPTED_NAVIGATOR_PATH="$<TARGET_FILE:oxsdk_scripted_navigator>")
    add_dependencies(oxsdk_client_e2e_tests oxsdk oxsdk_scripted_navigator)
    if(TARGET oxsdk_test_navigator)
        target_compile_definitions(oxsdk_client_e2e_tests PRIVATE
            OXSDK_TEST_NAVIGATOR_PATH="$<TARGET_FILE:oxsdk_test_navigator>")
        add_dependencies(oxsdk_client_e2e_tests oxsdk_test_navigator)
    endif()
    if(TARGET oxsdk-navigator)
        target_compile_definitions(oxsdk_client_e2e_tests PRIVATE
            OXSDK_NAVIGATOR_EMULATOR_PATH="$<TARGET_FILE:oxsdk-navigator>")
        add_dependencies(oxsdk_client_e2e_tests oxsdk-navigator)
    endif()
    gtest_discover_tests(oxsdk_client_e2e_tests DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS "tools;e2e" TIMEOUT 300)

    # The monitor beside four clients and the emulator on a busy machine.
    if(TARGET oxsdk-navigator)
        add_executable(oxsdk_monitor_load_tests oxsdk/monitor_load_e2e_test.cc test_device.cc)
        target_include_directories(oxsdk_monitor_load_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(oxsdk_monitor_load_tests PRIVATE
            oxsdk5link_internal nlohmann_json::nlohmann_json GTest::gtest_main)
        target_compile_definitions(oxsdk_monitor_load_tests PRIVATE
            OXSDK_CLIENT_PATH="$<TARGET_FILE:oxsdk>"
            OXSDK_NAVIGATOR_EMULATOR_PATH="$<TARGET_FILE:oxsdk-navigator>")
        add_dependencies(oxsdk_monitor_load_tests oxsdk oxsdk-navigator)
        gtest_discover_tests(oxsdk_monitor_load_tests DISCOVERY_TIMEOUT 60
                             PROPERTIES LABELS "tools;e2e" TIMEOUT 300)
    endif()
endif()

# What a person meets at the command line: the parse, its refusals and the start's causes.
if(TARGET oxsdk_cli_core AND NOT WIN32)
    add_executable(oxsdk_cli_usability_tests oxsdk/cli_usability_test.cc)
    target_link_libraries(oxsdk_cli_usability_tests PRIVATE oxsdk_cli_core GTest::gtest_main)
    target_compile_definitions(oxsdk_cli_usability_tests PRIVATE
        OXSDK_CLIENT_PATH="$<TARGET_FILE:oxsdk>")
    add_dependencies(oxsdk_cli_usability_tests oxsdk)
    gtest_discover_tests(oxsdk_cli_usability_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS tools)
endif()
