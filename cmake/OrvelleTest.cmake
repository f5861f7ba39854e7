# orvelle_add_test(<name> SOURCES <files...> [GUI] [OWNMAIN] [LIBS <libs...>])
# Adds one GoogleTest executable. A test of a core folder links orvelle_core
# alone and gets a main that creates a QCoreApplication, so an engine file
# that reaches for a widget does not build. GUI tests link orvelle_gui and
# get a QApplication; OWNMAIN tests bring their own main. Every test runs on
# the offscreen platform, with its own settings and runtime folders.
function(orvelle_add_test name)
  cmake_parse_arguments(T "GUI;OWNMAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_OWNMAIN)
  elseif(T_GUI)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/guimain.cpp)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/coremain.cpp)
  endif()
  if(T_GUI)
    set(library orvelle_gui)
  else()
    set(library orvelle_core)
  endif()
  target_link_libraries(${name} PRIVATE orvelle_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${library} orvelle_testsupport GTest::gtest GTest::gmock
                        Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORVELLE_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
