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

# The generator refuses a help text with markup slips, naming each line.
add_test(NAME helpgen_refuses_bad_markup
  COMMAND tervo_helpgen ${CMAKE_CURRENT_SOURCE_DIR}/help_bad_markup.txt ${CMAKE_CURRENT_BINARY_DIR}/help_bad_markup.cpp)
set_tests_properties(helpgen_refuses_bad_markup PROPERTIES
  PASS_REGULAR_EXPRESSION "markup.txt:3: unknown command .X.*markup.txt:4: .G5 names no page.*markup.txt:5: the line ends in a lone backslash.*markup.txt:6: a tab")
