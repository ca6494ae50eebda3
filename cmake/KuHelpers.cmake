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

# ku_test(NAME [DIR] [DIRS DIR ...] [DEPS ...] [GUI] [TIMEOUT s]): one GoogleTest program of
# every .cpp in the folders, run by ctest through the Wine sandbox (CMAKE_CROSSCOMPILING_EMULATOR).
function(ku_test name)
  cmake_parse_arguments(KU "GUI" "TIMEOUT" "DIRS;DEPS" ${ARGN})
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
endfunction()
