# Shared build rules. Every folder under src/ is one library whose link list names exactly the
# layers it may use, so an include that breaks the layering fails at link time.

set(ZC_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports std::string concatenations as overlapping copies (a known false positive).
  list(APPEND ZC_WARNINGS -Wno-restrict)
endif()

if(ZC_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZC_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# zc_library(name SOURCES ... [LINKS ...] [PRIVATE_LINKS ...])
function(zc_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LINKS;PRIVATE_LINKS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${ZC_WARNINGS})
  target_link_libraries(${name} PUBLIC ${A_LINKS} PRIVATE ${A_PRIVATE_LINKS})
endfunction()

# zc_test(name SOURCES ... LINKS ... [LABEL unit]) - one GoogleTest binary, cases discovered.
function(zc_test name)
  cmake_parse_arguments(A "" "LABEL" "SOURCES;LINKS" ${ARGN})
  if(NOT A_LABEL)
    set(A_LABEL unit)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${ZC_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_LINKS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} PROPERTIES LABELS ${A_LABEL} DISCOVERY_TIMEOUT 60
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# zc_bench(name SOURCES ... LINKS ...)
function(zc_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${A_LINKS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# zc_fuzz(name SOURCES ... LINKS ...) - a libFuzzer target; ./test runs each one briefly.
function(zc_fuzz name)
  cmake_parse_arguments(A "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${A_LINKS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY ZC_FUZZ_TARGETS ${name})
endfunction()

# Adds every immediate subfolder that has a CMakeLists.txt, so a new layer or test folder needs
# no edit of a shared file.
function(zc_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    # ZC_SKIP_FOLDERS lets a working copy leave out folders that someone else is midway through.
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt
       AND NOT child IN_LIST ZC_SKIP_FOLDERS)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
