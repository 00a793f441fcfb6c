add_executable(tervo42
  ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp
)
target_link_libraries(tervo42 PRIVATE tervo_engine tervo_help Qt6::Widgets Qt6::PrintSupport)
