# Small helpers so that a module's folder only has to hold its sources:
# new files are picked up at the next configure (CONFIGURE_DEPENDS).

# px_static_library(name DIRS dir... [DEPS lib...] [KIND SHARED])
# A static library from every .cpp in the given folders; nothing is made
# while the folders hold no sources yet.
function(px_static_library name)
  cmake_parse_arguments(A "" "KIND" "DIRS;DEPS" ${ARGN})
  if(NOT A_KIND)
    set(A_KIND STATIC)
  endif()
  set(srcs)
  foreach(d IN LISTS A_DIRS)
    file(GLOB s CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${d}/*.cpp)
    list(APPEND srcs ${s})
  endforeach()
  if(srcs)
    add_library(${name} ${A_KIND} ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    px_existing(deps ${A_DEPS})
    if(deps)
      target_link_libraries(${name} PUBLIC ${deps})
    endif()
  endif()
endfunction()

# Our own libraries appear only once their folders hold sources; a
# dependency on one that does not exist yet is left out.
function(px_existing out)
  set(result)
  foreach(d IN LISTS ARGN)
    if(TARGET ${d} OR d MATCHES "::|/|^-")
      list(APPEND result ${d})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# px_test(module LABEL label [DEPS lib...] [ENV VAR=value...])
# One GoogleTest executable from tests/<module>/*.cpp and the shared main.
function(px_test module)
  cmake_parse_arguments(A "" "LABEL" "DEPS;ENV" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${module}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  foreach(dep IN LISTS A_DEPS)
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "test ${module} needs ${dep}")
    endif()
  endforeach()
  set(exe test_${module})
  add_executable(${exe} ${srcs})
  target_link_libraries(${exe} PRIVATE pxtestmain ${A_DEPS} GTest::gtest GTest::gmock)
  target_include_directories(${exe} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  set(env ${A_ENV})
  if(A_LABEL STREQUAL "unit")
    # unit tests never see a display
    list(APPEND env "DISPLAY=")
  elseif(A_LABEL STREQUAL "gui" OR A_LABEL STREQUAL "print")
    # one value only: a list does not survive the discovered tests' properties
    # (the tests clear DISPLAY themselves)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  # x11 tests share one server and its keyboard, print tests the queues,
  # the Wayland desktops' tests the portal's one file: one at a time
  set(serial FALSE)
  if(A_LABEL MATCHES "^(x11|print|wayland|gnome|kde)$")
    set(serial TRUE)
  endif()
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30
    PROPERTIES LABELS ${A_LABEL} ENVIRONMENT "${env}" TIMEOUT 300 RUN_SERIAL ${serial})
endfunction()

# px_fuzz(source DEPS lib...): target fuzz_<name> from fuzz/fuzz_<name>.cpp
function(px_fuzz src)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  px_existing(deps ${A_DEPS})
  target_link_libraries(${name} PRIVATE ${deps})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

# px_exports_only_declared(target): a shared library exports what its code
# marks visible and none of the standard library's instantiations.
function(px_exports_only_declared target)
  set(map ${CMAKE_SOURCE_DIR}/cmake/exports.map)
  target_link_options(${target} PRIVATE -Wl,--version-script=${map})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()
