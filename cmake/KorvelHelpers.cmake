# Small helpers shared by the project's CMake files.

# One GoogleTest executable from every *.cpp in a folder; each TEST is one ctest entry.
# The shared main (tests/support/testmain.cpp) puts widget tests on Qt's offscreen
# platform, so no display is needed, and points them at this build's plug-ins.
function(korvel_add_test_folder name dir)
  file(GLOB _sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT _sources)
    message(FATAL_ERROR "${dir} holds no test")
  endif()
  add_executable(${name} ${_sources} ${PROJECT_SOURCE_DIR}/tests/support/testmain.cpp)
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock ${ARGN})
  target_compile_definitions(${name} PRIVATE
    KORVEL_BUILD_PLUGIN_DIR="${PROJECT_BINARY_DIR}/plugins")
  # Executables with Qt watch the program's error reports (tests/support/testmain.cpp).
  if("${ARGN}" MATCHES "Qt6::|korvel_platform|korvel_shell|korvel_container|korvel_testserver")
    target_compile_definitions(${name} PRIVATE KORVEL_TEST_WITH_QT)
    target_link_libraries(${name} PRIVATE Qt6::Core)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

# A control plug-in: a Qt MODULE in <build>/plugins that links the core, the shell and
# the platform layer statically and exports only its plug-in entry.
function(korvel_add_control target)
  add_library(${target} MODULE ${ARGN})
  set_property(GLOBAL APPEND PROPERTY KORVEL_CONTROL_TARGETS ${target})
  target_link_libraries(${target} PRIVATE korvel_shell korvel_platform korvel_core
                        Qt6::Widgets Qt6::Network)
  target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL)
  # clang's sanitizer runtimes live in the executable that loads the module, so a
  # sanitized module has undefined symbols by design.
  if(NOT ((KORVEL_SANITIZE OR KORVEL_FUZZ) AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/plugins)
  install(TARGETS ${target} LIBRARY DESTINATION lib/korvel/plugins)
endfunction()
