# tervo42-batch: its parts under GoogleTest, and the program itself driven
# from a script (every input form, exit status, save and load).
add_executable(batch_tests batch_test.cpp)
target_link_libraries(batch_tests PRIVATE tervo_batch GTest::gtest_main)
gtest_discover_tests(batch_tests DISCOVERY_TIMEOUT 60)

add_test(NAME batch_cli COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/batch_cli_test.sh $<TARGET_FILE:tervo42-batch>)
set_tests_properties(batch_cli PROPERTIES TIMEOUT 120)

# --minimal: the run and its reports, and the program from the outside.
add_executable(batch_minimal_tests batch_minimal_test.cpp)
target_link_libraries(batch_minimal_tests PRIVATE tervo_batch GTest::gtest_main)
gtest_discover_tests(batch_minimal_tests DISCOVERY_TIMEOUT 60)
add_test(NAME batch_minimal_cli COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/batch_minimal_cli_test.sh $<TARGET_FILE:tervo42-batch>)
set_tests_properties(batch_minimal_cli PROPERTIES TIMEOUT 120)
