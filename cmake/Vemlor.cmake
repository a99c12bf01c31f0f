# Shared build settings and the helpers every folder uses:
#   vemlor_library(<target> DEPS <targets...>)  - the folder's *.cpp as one library
#                  [EXCLUDE <files...>]           (less files built as a library of their own)
#                                                 (and its *.form files, see vemlor_forms)
#   vemlor_tests(<target> [DEPS <targets...>])  - the folder's tests/*.cpp as one
#                                                 GoogleTest binary, registered with CTest
#                                                 (and tests/*.form)
#   vemlor_forms(<target> <folder>)             - the folder's *.form files compiled
#                                                 into every program that links <target>
#   vemlor_resources(<target> <folder>)         - the folder's res/*.bmp and res/*.cur
#                                                 likewise, as named resources

add_library(vemlor_options INTERFACE)
target_include_directories(vemlor_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(vemlor_options INTERFACE -Wall -Wextra)
# Sources are UTF-8; string literals become Windows-1250 bytes, like the
# program's own text. clang knows only UTF-8 as execution character set, so its
# builds (the fuzzers) keep UTF-8 literals.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(vemlor_options INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8 -fexec-charset=CP1250>)
  # gcc 12 at -O3 reports impossible overlaps inside std::string's own
  # concatenation (a known false positive); the Release (benchmark) build
  # would otherwise not be warning-free.
  target_compile_options(vemlor_options INTERFACE -Wno-restrict)
endif()
# A fuzz build instruments every library for coverage, so fuzz targets simply
# link the libraries they exercise.
if(VEMLOR_FUZZ)
  target_compile_options(vemlor_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(vemlor_options INTERFACE -fsanitize=address,undefined)
endif()
if(VEMLOR_SANITIZE)
  target_compile_options(vemlor_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(vemlor_options INTERFACE -fsanitize=address,undefined)
endif()

# Form files (<unit>.form) and named resources (res/*.bmp, res/*.cur) become
# bytes of a generated source that registers each at start
# (platform/classes/FormFiles.h, Resources.h). For a library the generated
# object is handed to every program that links it, as an object file of the
# program's own: a member of a static library that no code references would
# be dropped, and its registration with it.
function(vemlor_embed target kind script variable)
  set(files ${ARGN})
  if(NOT files)
    return()
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${kind}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${out} "-D${variable}=${files}" -P ${PROJECT_SOURCE_DIR}/cmake/${script}
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/${script} ${PROJECT_SOURCE_DIR}/cmake/EmbedCommon.cmake
    COMMENT "Compiling the ${kind} of ${target}"
    VERBATIM)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_sources(${target} PRIVATE ${out})
  else()
    add_library(${target}_${kind} OBJECT ${out})
    target_link_libraries(${target}_${kind} PRIVATE vemlor_options platform_classes)
    target_sources(${target} INTERFACE $<TARGET_OBJECTS:${target}_${kind}>)
  endif()
endfunction()

function(vemlor_forms target folder)
  file(GLOB forms CONFIGURE_DEPENDS ${folder}/*.form)
  vemlor_embed(${target} forms EmbedForms.cmake FORMS ${forms})
endfunction()

function(vemlor_resources target folder)
  file(GLOB files CONFIGURE_DEPENDS ${folder}/res/*.bmp ${folder}/res/*.cur)
  vemlor_embed(${target} resources EmbedResources.cmake FILES ${files})
endfunction()

function(vemlor_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(NOT sources)
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE vemlor_options ${ARG_DEPS})
    return()
  endif()
  add_library(${target} STATIC ${sources})
  target_link_libraries(${target} PUBLIC vemlor_options ${ARG_DEPS})
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${target} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
  vemlor_forms(${target} ${CMAKE_CURRENT_SOURCE_DIR})
  vemlor_resources(${target} ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()

# A test binary uses tests/main.cpp when the folder has one; with OFFSCREEN it
# uses the shared main that creates the application offscreen first (for code
# that opens windows or measures text); otherwise GoogleTest's own main.
function(vemlor_tests target)
  cmake_parse_arguments(ARG "OFFSCREEN" "" "DEPS" ${ARGN})
  # The clang fuzz build keeps UTF-8 literals, which the tests do not expect.
  if(VEMLOR_FUZZ)
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(test_target ${target}_tests)
  add_executable(${test_target} ${sources})
  target_link_libraries(${test_target} PRIVATE ${target} ${ARG_DEPS} GTest::gmock)
  if(ARG_OFFSCREEN)
    target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/ui/testmain/OffscreenMain.cpp)
    target_link_libraries(${test_target} PRIVATE platform_ui GTest::gtest)
  elseif(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/main.cpp)
    target_link_libraries(${test_target} PRIVATE GTest::gtest)
  else()
    target_link_libraries(${test_target} PRIVATE GTest::gtest_main)
  endif()
  vemlor_forms(${test_target} ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_compile_definitions(${test_target} PRIVATE
    VEMLOR_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data"
    VEMLOR_TEST_OUTPUT="${CMAKE_BINARY_DIR}/test-output")
  gtest_discover_tests(${test_target}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# A libFuzzer target:
#   vemlor_fuzzer(<name> <source> DEPS <libraries...> INPUTS <folders or globs...>
#                 [OPTIONS <libFuzzer options...>])
# INPUTS are the kept inputs the target starts from, relative to the source
# tree: a folder (every file in it) or a file pattern (media/tests/data/*.mid).
# Each must match a file, so that no target starts from nothing. The list of
# targets, their inputs and options goes to <build>/fuzz/targets.txt, which
# scripts/fuzz reads. Every target starts the toolkit offscreen (Offscreen.cpp).
function(vemlor_fuzzer target source)
  cmake_parse_arguments(ARG "" "" "DEPS;INPUTS;OPTIONS" ${ARGN})
  if(NOT ARG_INPUTS)
    message(FATAL_ERROR "Fuzz target ${target} names no kept inputs")
  endif()
  foreach(input ${ARG_INPUTS})
    set(path ${PROJECT_SOURCE_DIR}/${input})
    if(IS_DIRECTORY ${path})
      file(GLOB files LIST_DIRECTORIES false ${path}/*)
    else()
      file(GLOB files LIST_DIRECTORIES false ${path})
    endif()
    if(NOT files)
      message(FATAL_ERROR "Fuzz target ${target}: no input file in ${input}")
    endif()
  endforeach()
  add_executable(${target} ${source} ${PROJECT_SOURCE_DIR}/fuzz/Offscreen.cpp)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  string(JOIN " " inputs ${ARG_INPUTS})
  string(JOIN " " options ${ARG_OPTIONS})
  set_property(GLOBAL APPEND PROPERTY VEMLOR_FUZZ_TARGETS "${target}\t$<TARGET_FILE:${target}>\t${inputs}\t${options}")
endfunction()
