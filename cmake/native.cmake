# Native tree: the portable core with its tests (sanitizers on), benchmarks and fuzz targets.
option(MURIVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)

if(MURIVO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

add_library(murivo_core STATIC ${MURIVO_CORE_SOURCES})
target_include_directories(murivo_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(murivo_core PUBLIC murivo_warnings Threads::Threads)

find_package(GTest REQUIRED)
add_subdirectory(tests/native)

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
    add_subdirectory(bench)
endif()

# The fuzz targets replayed over their committed corpus (libFuzzer itself needs clang: fuzz/).
include(${CMAKE_SOURCE_DIR}/fuzz/targets.cmake)
murivo_add_fuzz_replay_tests(murivo_core)
