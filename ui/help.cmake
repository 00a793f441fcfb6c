add_library(tervo_help STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/help_unit.h
  ${CMAKE_CURRENT_SOURCE_DIR}/help_unit.cpp
)
target_include_directories(tervo_help PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tervo_help PUBLIC Qt6::Widgets)
