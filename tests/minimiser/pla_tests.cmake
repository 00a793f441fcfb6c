# The PLA reader and writer and the cover checker of the minimiser library,
# through their headers alone (included from tests/CMakeLists.txt, beside
# the minimiser's own tests).
add_executable(pla_tests
  ${CMAKE_CURRENT_LIST_DIR}/pla_read_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/check_test.cpp
)
target_link_libraries(pla_tests PRIVATE tervo_minimiser tervo_pla_check GTest::gtest_main)
gtest_discover_tests(pla_tests DISCOVERY_TIMEOUT 60)
