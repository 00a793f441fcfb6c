add_executable(layout_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/print_layout_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/trace_layout_test.cpp
)
target_link_libraries(layout_tests PRIVATE tervo_print_layout tervo_trace_layout GTest::gtest_main)
target_include_directories(layout_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/engine)
gtest_discover_tests(layout_tests DISCOVERY_TIMEOUT 60)
