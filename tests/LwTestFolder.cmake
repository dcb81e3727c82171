# lw_add_test_folder(<target> LIBS <library>... [LABEL <label>])
#
# Every *_test.cpp of the calling folder joins one executable, <target>, linked to the given
# libraries and gtest_main, with tests/common on its include path; its tests join CTest under
# <label> (default: core).
function(lw_add_test_folder target)
  cmake_parse_arguments(LW_T "" "LABEL" "LIBS" ${ARGN})
  if(NOT LW_T_LABEL)
    set(LW_T_LABEL core)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${LW_T_LIBS} GTest::gtest_main)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${LW_T_LABEL})
endfunction()
