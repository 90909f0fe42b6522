# Build rules for a small library and its tests.
cmake_minimum_required(VERSION 3.20)
project(Shapes VERSION 1.4.0 LANGUAGES CXX)

#[[ A bracket comment
    spanning lines. ]]

option(SHAPES_TESTS "Build the tests" ON)
set(CMAKE_CXX_STANDARD 20)
set(SOURCES src/circle.cpp src/square.cpp)

add_library(shapes STATIC ${SOURCES})
target_include_directories(shapes PUBLIC
  $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:include>)
target_compile_options(shapes PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wall -Wextra>)

function(add_shape_test name)
  add_executable(${name} tests/${name}.cpp)
  target_link_libraries(${name} PRIVATE shapes)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

if(SHAPES_TESTS AND NOT CMAKE_CROSSCOMPILING)
  enable_testing()
  foreach(t IN ITEMS circle_test square_test)
    add_shape_test(${t})
  endforeach()
elseif(DEFINED ENV{CI})
  message(STATUS "Tests off on CI: $ENV{CI}")
endif()

configure_file(config.h.in "${CMAKE_BINARY_DIR}/config.h" @ONLY)
set(NOTE [=[Raw text with "quotes" and ${not_expanded}]=])
message(STATUS "Shapes ${PROJECT_VERSION}\tready")
install(TARGETS shapes DESTINATION lib)
