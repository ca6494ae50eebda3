# Small helpers shared by the src/ and tests/ build files.

# ku_library(NAME [DIR] [DIRS DIR ...] [DEPS ...]): a static library of every .cpp directly in
# each of the folders (relative ones below the calling folder). Globbing keeps a new source file
# a one-file change.
function(ku_library name)
  cmake_parse_arguments(KU "" "" "DIRS;DEPS" ${ARGN})
  ku_glob_sources(_srcs "*.cpp;*.c" ${KU_UNPARSED_ARGUMENTS} ${KU_DIRS})
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

# ku_glob_sources(OUT PATTERNS DIR ...): the files matching PATTERNS directly in each DIR.
function(ku_glob_sources out patterns)
  set(_found)
  foreach(dir ${ARGN})
    foreach(pattern ${patterns})
      file(GLOB _files CONFIGURE_DEPENDS ${dir}/${pattern})
      list(APPEND _found ${_files})
    endforeach()
  endforeach()
  set(${out} ${_found} PARENT_SCOPE)
endfunction()

# ku_test(NAME [DIR] [DIRS DIR ...] [DEPS ...] [GUI] [ALONE] [WHOLE_MACHINE] [TIMEOUT s]): one
# GoogleTest program of every .cpp in the folders, run by ctest through the Wine sandbox
# (CMAKE_CROSSCOMPILING_EMULATOR).
# A test that compares the whole registry or drive before and after sees whatever a test running
# beside it plants or removes meanwhile, so such comparisons run with nothing beside them:
# ALONE runs the whole program so; WHOLE_MACHINE runs the suites named "...WholeMachine" of a
# program as an entry of their own ("NAME_whole_machine") and the rest beside other programs.
# Only these runs carry KU_RUNS_ALONE=1, which the whole-machine snapshots insist on.
function(ku_test name)
  cmake_parse_arguments(KU "GUI;ALONE;WHOLE_MACHINE" "TIMEOUT" "DIRS;DEPS" ${ARGN})
  ku_glob_sources(_srcs "*.cpp" ${KU_UNPARSED_ARGUMENTS} ${KU_DIRS})
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
  if(KU_ALONE)
    ku_test_alone(${name})
  endif()
  if(KU_WHOLE_MACHINE)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=-*WholeMachine.*")
    add_test(NAME ${name}_whole_machine COMMAND ${name} --gtest_brief=1
                                                --gtest_filter=*WholeMachine.*)
    set_tests_properties(${name}_whole_machine PROPERTIES TIMEOUT ${KU_TIMEOUT})
    ku_test_alone(${name}_whole_machine)
  endif()
endfunction()

# ku_test_alone(TEST): ctest runs TEST with no other test beside it.
function(ku_test_alone test)
  set_tests_properties(${test} PROPERTIES RUN_SERIAL TRUE)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "KU_RUNS_ALONE=1")
endfunction()
