# The main window (TForm1) with its panes and timing helpers, as a static
# library that the program and the window tests link. Its layout (a Designer
# form) and artwork live in resources/.
set(TERVO_RESOURCES ${PROJECT_SOURCE_DIR}/resources)

add_library(tervo_window STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/Unit1.h
  ${CMAKE_CURRENT_SOURCE_DIR}/Unit1.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/file_commands.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/print_commands.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pane_widgets.h
  ${CMAKE_CURRENT_SOURCE_DIR}/pane_widgets.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/input_pane.h
  ${CMAKE_CURRENT_SOURCE_DIR}/input_pane.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/output_pane.h
  ${CMAKE_CURRENT_SOURCE_DIR}/output_pane.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/info_pane.h
  ${CMAKE_CURRENT_SOURCE_DIR}/info_pane.cpp
  ${TERVO_RESOURCES}/Unit1.ui
  ${TERVO_RESOURCES}/window.qrc
)
set_target_properties(tervo_window PROPERTIES AUTOUIC_SEARCH_PATHS ${TERVO_RESOURCES})
target_include_directories(tervo_window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tervo_window PUBLIC tervo_engine tervo_help tervo_trace_layout tervo_print Qt6::Widgets Qt6::PrintSupport)

add_executable(tervo42
  ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp
)
target_link_libraries(tervo42 PRIVATE tervo_window)
