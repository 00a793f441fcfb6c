# The printed pages and the info pane's trace drawings as data, kept free of
# the toolkit so they can be tested without a screen or a printer.
add_library(tervo_print_layout STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/print_layout.h
  ${CMAKE_CURRENT_SOURCE_DIR}/print_layout.cpp
)
target_include_directories(tervo_print_layout PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tervo_print_layout PUBLIC tervo_engine)

# Drawing the layout on a printer or into a PDF file.
add_library(tervo_print STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/print_render.h
  ${CMAKE_CURRENT_SOURCE_DIR}/print_render.cpp
)
target_include_directories(tervo_print PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tervo_print PUBLIC tervo_print_layout Qt6::Gui Qt6::PrintSupport)

# What the info pane draws at the trace stops, as data.
add_library(tervo_trace_layout STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/trace_layout.h
  ${CMAKE_CURRENT_SOURCE_DIR}/trace_layout.cpp
)
target_include_directories(tervo_trace_layout PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tervo_trace_layout PUBLIC tervo_engine)
