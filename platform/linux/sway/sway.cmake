# sway's IPC for window placement, focus and the window under a point on a
# sway session (Wayland gives no client another's window positions).
find_package(nlohmann_json REQUIRED)
file(GLOB TAVIK_SWAY_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_library(tavik_platform_sway OBJECT ${TAVIK_SWAY_SOURCES})
target_include_directories(tavik_platform_sway PUBLIC ${CMAKE_CURRENT_LIST_DIR}/../../..)
target_link_libraries(tavik_platform_sway PUBLIC nlohmann_json::nlohmann_json)
target_compile_features(tavik_platform_sway PUBLIC cxx_std_20)

# Its rules on recorded trees.
file(GLOB TAVIK_SWAY_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../../../tests/linux-unit/sway/*.cpp)
find_package(GTest QUIET)
if(TAVIK_SWAY_TESTS AND GTest_FOUND)
  add_executable(tavik_sway_tests ${TAVIK_SWAY_TESTS})
  target_link_libraries(tavik_sway_tests PRIVATE tavik_platform_sway GTest::gtest GTest::gtest_main)
  target_compile_definitions(tavik_sway_tests PRIVATE
    TAVIK_SWAY_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/../../../tests/linux-unit/sway/fixtures")
  add_test(NAME sway-backend COMMAND tavik_sway_tests)
endif()
