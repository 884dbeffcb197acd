include(GoogleTest)

# The target "tools": every tool and nothing else (no test, no benchmark).
add_custom_target(tools)

# add_tool(name LIBS lib...): one executable per tool, installed with its man
# page. Every tool joins the global property ZAMO_TOOLS, from which the
# install, the package, the shell completion and their tests take the list,
# and the target "tools".
function(add_tool name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} frame vornlib)
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set_property(GLOBAL APPEND PROPERTY ZAMO_TOOLS ${name})
  add_dependencies(tools ${name})
  set(man ${PROJECT_SOURCE_DIR}/docs/man/${name}.1)
  if(EXISTS ${man})
    add_man_page(${man})
  endif()
endfunction()

# add_man_page(source): installs a man page (NAME.N) into man/manN, compressed
# as Debian installs them (gzip -9n: no name or time stamp inside, so the
# package is the same on every build).
function(add_man_page source)
  get_filename_component(page ${source} NAME)
  string(REGEX REPLACE "^.*\\.([1-9])$" "\\1" section ${page})
  set(packed ${CMAKE_BINARY_DIR}/man/man${section}/${page}.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/man${section}
    COMMAND gzip -9n -c ${source} > ${packed}
    DEPENDS ${source} VERBATIM)
  add_custom_target(man_${page} ALL DEPENDS ${packed})
  install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

# add_library_folder(name): a folder's sources as one static library, its
# headers published (export_folder_headers).
function(add_library_folder name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${srcs})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  export_folder_headers(${name} ${folder})
endfunction()

# export_folder_headers(target folder): the headers of `folder` (a path
# from the project root, such as "vornlib/kel") reach the target and what
# links it as "folder/name.h", and no other folder's do: each library has
# an include directory of its own, holding links to its own headers. So a
# source that includes a header of a library its target does not link
# fails to compile instead of building by chance. Each header is also
# compiled by itself with only what the library links (target
# <target>_headers), so that a header no source of its own library
# includes is held to the same rule (scripts/check-includes checks the
# same from the sources).
function(export_folder_headers target folder)
  set(dir ${CMAKE_BINARY_DIR}/include/${target})
  set(checks_dir ${CMAKE_BINARY_DIR}/header_checks/${target})
  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir}/${folder})
  set(checks)
  foreach(header IN LISTS headers)
    get_filename_component(header_name ${header} NAME)
    file(CREATE_LINK ${header} ${dir}/${folder}/${header_name} SYMBOLIC)
    # Written only when it changes, so that a new configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${checks_dir}/${header_name}.cpp CONTENT "#include \"${folder}/${header_name}\"\n")
    list(APPEND checks ${checks_dir}/${header_name}.cpp)
  endforeach()
  target_include_directories(${target} PUBLIC ${dir})
  if(checks)
    add_library(${target}_headers OBJECT ${checks})
    target_link_libraries(${target}_headers PRIVATE ${target})
  endif()
endfunction()

# Test targets are named <area>[_<what>]_test and fuzz targets
# <area>[_<what>]_fuzz, their sources *_test.cpp and *_fuzz.cpp.

# add_zamo_test(name sources... LIBS libs...): a GoogleTest executable registered with CTest.
function(add_zamo_test name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testsupport GTest::gtest_main)
  # Unoptimised, a test's own file builds in half the time; what it tests
  # keeps its build's flags. The JACK tests keep theirs (their clients keep time).
  target_compile_options(${name} PRIVATE -O0)
  target_compile_definitions(${name} PRIVATE
    ZAMO_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
    ZAMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 ${ZAMO_TEST_PROPERTIES})
endfunction()

# add_zamo_fuzzer(name sources... LIBS libs... CORPUS dir): a fuzz target
# (LLVMFuzzerTestOneInput). Always built as "<name>_replay", a CTest test that
# replays every file of the corpus folder; with ZAMO_FUZZ=ON (clang) also built
# as the libFuzzer executable "<name>".
function(add_zamo_fuzzer name)
  cmake_parse_arguments(T "" "CORPUS" "LIBS" ${ARGN})
  add_executable(${name}_replay ${T_UNPARSED_ARGUMENTS}
    ${PROJECT_SOURCE_DIR}/tests/support/fuzz_replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE ${T_LIBS})
  add_test(NAME ${name}_replay COMMAND ${name}_replay ${T_CORPUS})
  set_tests_properties(${name}_replay PROPERTIES TIMEOUT 300)
  if(ZAMO_FUZZ)
    add_executable(${name} ${T_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${T_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()
