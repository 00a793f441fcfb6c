# tervo42-batch: the engine without the window. The inputs, the run and the
# reports form a library of their own, so that the tests can use them.
find_package(CLI11 CONFIG REQUIRED)
find_package(nlohmann_json 3 REQUIRED)

add_library(tervo_batch STATIC
  batch/pla.h
  batch/pla.cpp
  batch/inputs.h
  batch/inputs.cpp
  batch/run.h
  batch/run.cpp
  batch/report.h
  batch/report.cpp
  batch/pla_run.h
  batch/pla_run.cpp
)
target_include_directories(tervo_batch PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/batch)
target_link_libraries(tervo_batch PUBLIC tervo_engine nlohmann_json::nlohmann_json)

add_executable(tervo42-batch batch/main.cpp)
target_link_libraries(tervo42-batch PRIVATE tervo_batch CLI11::CLI11)
install(TARGETS tervo42-batch RUNTIME DESTINATION bin)
