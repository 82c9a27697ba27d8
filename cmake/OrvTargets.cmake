# Helpers that keep each folder's CMakeLists.txt short and the flags uniform.

include(GoogleTest)

set(ORV_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(ORV_WERROR)
    list(APPEND ORV_WARNINGS -Werror)
endif()

# orv_library(NAME [SHARED] SOURCES ... [DEPS ...] [PUBLIC_INCLUDE dir])
# Static unless SHARED; includes resolve from the repository root ("platform/message.h").
function(orv_library name)
    cmake_parse_arguments(A "SHARED" "" "SOURCES;DEPS" ${ARGN})
    if(A_SHARED)
        add_library(${name} SHARED ${A_SOURCES})
    else()
        add_library(${name} STATIC ${A_SOURCES})
    endif()
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${ORV_WARNINGS})
    target_link_libraries(${name} PUBLIC ${A_DEPS} Threads::Threads)
endfunction()

# orv_program(NAME SOURCES ... [DEPS ...])
function(orv_program name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${ORV_WARNINGS})
    target_link_libraries(${name} PRIVATE ${A_DEPS} Threads::Threads)
endfunction()

# orv_test(NAME [SERIAL] SOURCES ... [DEPS ...] [LABELS ...])
# A GoogleTest program; each TEST becomes one CTest test, discovered when ctest runs.
# SERIAL: the tests run real-time processes (orvserver, orvcli, orvphone) and run alone, so
# other tests beside them on a loaded machine cannot starve their deadlines.
function(orv_test name)
    if(ORV_FUZZ)
        return()
    endif()
    cmake_parse_arguments(A "SERIAL" "" "SOURCES;DEPS;LABELS" ${ARGN})
    orv_program(${name} SOURCES ${A_SOURCES} DEPS ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set(props ENVIRONMENT "ORV_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
    if(A_SERIAL)
        list(APPEND props RUN_SERIAL TRUE)
    endif()
    # Last: discovery passes the properties on as one flat list, so only the first of several
    # labels reaches the tests, and nothing after them would.
    if(A_LABELS)
        list(APPEND props LABELS "${A_LABELS}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
endfunction()

# orv_bench(NAME SOURCES ... [DEPS ...]): a Google Benchmark program (not run by ctest).
function(orv_bench name)
    if(ORV_FUZZ)
        return()
    endif()
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    orv_program(${name} SOURCES ${A_SOURCES} DEPS ${A_DEPS} benchmark::benchmark)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# orv_fuzz(NAME SOURCES ... [DEPS ...]): a libFuzzer target, built only with ORV_FUZZ=ON.
# test.sh runs every program in build-fuzz/fuzz/ for a bounded time.
function(orv_fuzz name)
    if(NOT ORV_FUZZ)
        return()
    endif()
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    orv_program(${name} SOURCES ${A_SOURCES} DEPS ${A_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    # One target builds every fuzz program and only what they link, not the programs.
    if(NOT TARGET fuzz_targets)
        add_custom_target(fuzz_targets)
    endif()
    add_dependencies(fuzz_targets ${name})
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt.
function(orv_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()
