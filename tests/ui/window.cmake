# Main window tests: each its own program, driving the real window with key
# and mouse events under the offscreen platform.
foreach(t window_layout_test window_run_test editor_test output_test window_trace_test
        window_file_test window_print_test window_minimal_test)
  if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${t}.cpp)
    continue()
  endif()
  tervo_ui_test(${t} ${CMAKE_CURRENT_SOURCE_DIR}/${t}.cpp ${CMAKE_CURRENT_SOURCE_DIR}/window_test_support.h)
  target_link_libraries(${t} PRIVATE tervo_window)
endforeach()

# Prints a sample into a PDF file, for looking at the printed pages.
add_executable(print_sample ${CMAKE_CURRENT_SOURCE_DIR}/print_sample.cpp ${CMAKE_CURRENT_SOURCE_DIR}/window_test_support.h)
target_link_libraries(print_sample PRIVATE tervo_window Qt6::Test)
