# add_qt_test(<name> SOURCES <files...> LIBS <targets...> [TIMEOUT <s>] [LABELS <l...>])
# Builds one Qt Test executable and registers it with CTest, run offscreen with
# its own settings folder so no test touches the user's stored settings. Fonts
# are drawn at 96 dpi, the desktop the forms' pixel sizes are made for (the
# offscreen platform's own is 100). Windows open on a 3840 x 2160 screen
# (tests/support/testscreen.cpp; TEST_SCREEN names another).
function(add_qt_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test test_support test_screen ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_FONT_DPI=96;QT_LOGGING_RULES=qt.qpa.*=false")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# add_qt_bench(<name> SOURCES <files...> LIBS <targets...>)
# Benchmarks are built with the tree but are not part of the CTest run;
# scripts/bench runs them.
function(add_qt_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test test_support test_screen ${B_LIBS})
  set_property(GLOBAL APPEND PROPERTY PROJECT_BENCHMARKS ${name})
endfunction()
