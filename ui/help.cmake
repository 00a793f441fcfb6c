# The help window and the codes it shares with printing.
#
# tervo_helpcode  the pair code of the help lines and the group code of the
#                 printed credit line (help_code.h); no window toolkit.
# tervo_helpgen   build-time generator: encodes resources/help/help.txt into
#                 help_text.cpp, the stored help lines.
# tervo_help      the help window Thelpform with the stored help text.

add_library(tervo_helpcode STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/help_code.h
  ${CMAKE_CURRENT_SOURCE_DIR}/help_code.cpp
)
target_include_directories(tervo_helpcode PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_features(tervo_helpcode PUBLIC cxx_std_20)
set_target_properties(tervo_helpcode PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

add_executable(tervo_helpgen ${PROJECT_SOURCE_DIR}/tools/helpgen/helpgen.cpp)
target_link_libraries(tervo_helpgen PRIVATE tervo_helpcode)
set_target_properties(tervo_helpgen PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

set(TERVO_HELP_SOURCE ${PROJECT_SOURCE_DIR}/resources/help/help.txt)
set(TERVO_HELP_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/help_text.cpp)
add_custom_command(
  OUTPUT ${TERVO_HELP_GENERATED}
  COMMAND tervo_helpgen ${TERVO_HELP_SOURCE} ${TERVO_HELP_GENERATED}
  DEPENDS tervo_helpgen ${TERVO_HELP_SOURCE}
  COMMENT "Encoding the help text"
  VERBATIM
)
set_source_files_properties(${TERVO_HELP_GENERATED} PROPERTIES SKIP_AUTOGEN ON)

add_library(tervo_help STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/help_unit.h
  ${CMAKE_CURRENT_SOURCE_DIR}/help_unit.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/help_text.h
  ${TERVO_HELP_GENERATED}
)
target_include_directories(tervo_help PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tervo_help PUBLIC Qt6::Widgets tervo_helpcode)
