# The fuzz targets and what each is built from, shared by the clang tree (fuzz/CMakeLists.txt,
# real libFuzzer) and the native g++ tree (each target replayed over its corpus under CTest).
set(MURIVO_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(MURIVO_FUZZ_ROOT ${MURIVO_FUZZ_DIR}/.. ABSOLUTE)

set(MURIVO_FUZZ_TARGETS import_table settings_codec item_background compositor theme_file
    scene_file)

set(MURIVO_FUZZ_SOURCES_import_table import_table_fuzz.cpp)
set(MURIVO_FUZZ_SOURCES_settings_codec settings_codec_fuzz.cpp)
set(MURIVO_FUZZ_SOURCES_item_background item_background_fuzz.cpp fuzz_arrange.cpp)
set(MURIVO_FUZZ_SOURCES_compositor compositor_fuzz.cpp fuzz_arrange.cpp)
# The simulator's readers are portable; only their file access is Win32, and is stubbed.
set(MURIVO_FUZZ_SOURCES_theme_file theme_file_fuzz.cpp sim_text_stubs.cpp
    ../sim/theme_file.cpp ../sim/text_lines.cpp)
set(MURIVO_FUZZ_SOURCES_scene_file scene_file_fuzz.cpp sim_text_stubs.cpp
    ../sim/scene_file.cpp ../sim/text_lines.cpp)

# One executable <target><suffix> linked with the portable core library `core`.
function(murivo_add_fuzz_executable target suffix core)
    set(sources ${MURIVO_FUZZ_SOURCES_${target}} glue_stubs.cpp)
    list(TRANSFORM sources PREPEND ${MURIVO_FUZZ_DIR}/)
    add_executable(${target}${suffix} ${sources})
    target_include_directories(${target}${suffix} PRIVATE ${MURIVO_FUZZ_DIR}
                               ${MURIVO_FUZZ_ROOT}/src ${MURIVO_FUZZ_ROOT}/sim)
    target_link_libraries(${target}${suffix} PRIVATE ${core})
endfunction()

# Native tree: every target with the replay driver, as one CTest test per target that runs the
# committed corpus and then seeded mutations for a few seconds.
function(murivo_add_fuzz_replay_tests core)
    foreach(target ${MURIVO_FUZZ_TARGETS})
        murivo_add_fuzz_executable(${target} _replay ${core})
        target_sources(${target}_replay PRIVATE ${MURIVO_FUZZ_DIR}/replay_main.cpp)
        add_test(NAME fuzz_replay_${target}
                 COMMAND ${target}_replay -runs=200000 -max_total_time=5
                         ${MURIVO_FUZZ_DIR}/corpus/${target})
    endforeach()
endfunction()
