# Help window: the stored codes, the window, and a screenshot helper.
tervo_ui_test(help_window_test ${CMAKE_CURRENT_SOURCE_DIR}/help_window_test.cpp)
target_link_libraries(help_window_test PRIVATE tervo_help)

add_executable(help_code_test ${CMAKE_CURRENT_SOURCE_DIR}/help_code_test.cpp)
target_link_libraries(help_code_test PRIVATE tervo_help GTest::gtest_main)
target_compile_definitions(help_code_test PRIVATE
  TERVO_HELP_SOURCE_FILE="${PROJECT_SOURCE_DIR}/resources/help/help.txt")
gtest_discover_tests(help_code_test DISCOVERY_TIMEOUT 60)

add_executable(help_screenshot ${CMAKE_CURRENT_SOURCE_DIR}/help_screenshot.cpp)
target_link_libraries(help_screenshot PRIVATE tervo_help Qt6::Test)
