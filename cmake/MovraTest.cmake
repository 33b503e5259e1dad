# movra_add_test(NAME name SOURCES a.cpp b.cpp [LIBS ...] [LABELS ...] [TIMEOUT s] [LOCK resource])
# LIBS defaults to the whole core; name one part (movra_comm …) to build less. Cases of
# tests with the same LOCK never run at the same time (they share something outside).
# A GoogleTest program linked with the core; each TEST becomes its own ctest case so
# ctest can run them in parallel.
include(GoogleTest)
function(movra_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LIBS)
    set(T_LIBS movra_core)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE movra_testsupport GTest::gtest GTest::gtest_main ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # A cross build lists its tests when ctest runs (through the emulator, in ctest's
  # environment), not while building.
  set(discovery POST_BUILD)
  if(CMAKE_CROSSCOMPILING)
    set(discovery PRE_TEST)
  endif()
  set(lock)
  if(T_LOCK)
    set(lock RESOURCE_LOCK ${T_LOCK})
  endif()
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT} ${lock}
               ENVIRONMENT QT_QPA_PLATFORM=offscreen
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${discovery})
endfunction()
