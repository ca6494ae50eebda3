# Small helpers shared by the src/ and tests/ build files.

# ku_library(NAME DIR [DEPS ...]): a static library of every .cpp directly in DIR.
# Globbing keeps a new source file a one-file change.
function(ku_library name dir)
  cmake_parse_arguments(KU "" "" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${KU_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${KU_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${KU_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${KU_DEPS})
  endif()
endfunction()

# ku_test(NAME DIR [DEPS ...] [GUI] [TIMEOUT s]): one GoogleTest program of every .cpp in DIR,
# run by ctest through the Wine sandbox (CMAKE_CROSSCOMPILING_EMULATOR).
function(ku_test name dir)
  cmake_parse_arguments(KU "GUI" "TIMEOUT" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_executable(${name} ${_srcs})
  target_link_libraries(${name} PRIVATE ${KU_DEPS} kutestmain)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT KU_TIMEOUT)
    set(KU_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${KU_TIMEOUT})
  if(KU_GUI)
    set_tests_properties(${name} PROPERTIES LABELS gui)
  endif()
endfunction()
