# Windows tree: the DLL, the host simulator and the tests that run under Wine.
enable_language(RC)

add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
# GCC cannot align the stack beyond 16 bytes on 64-bit Windows, yet spills 256- and 512-bit
# registers with aligned moves: the assembler makes every vector move an unaligned one.
add_compile_options(-Wa,-muse-unaligned-vector-move)
# No C/C++ runtime DLLs next to the host: link both statically.
set(MURIVO_STATIC_LINK -static -static-libgcc -static-libstdc++)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Reproducible binaries: the same commit gives the same bytes wherever it is built. No link
# time stamp in the PE header, no absolute source or build paths in the code.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp)
set(MURIVO_SYSTEM_LIBS user32 gdi32 msimg32 comctl32 ole32 oleaut32 shell32 windowscodecs uuid)

add_library(murivo_objects OBJECT ${MURIVO_CORE_SOURCES} ${MURIVO_GLUE_SOURCES})
target_include_directories(murivo_objects PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(murivo_objects PUBLIC murivo_warnings Threads::Threads)

# The same code as a static library, for tests that call the extension's functions directly.
add_library(murivo_static STATIC $<TARGET_OBJECTS:murivo_objects>)
target_include_directories(murivo_static PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(murivo_static PUBLIC ${MURIVO_SYSTEM_LIBS})

file(GLOB MURIVO_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/*.rc
     ${CMAKE_SOURCE_DIR}/src/host/*.rc)
add_library(reaper_murivo SHARED $<TARGET_OBJECTS:murivo_objects> ${MURIVO_RESOURCES}
                                 ${CMAKE_SOURCE_DIR}/src/host/reaper_murivo.def)
set_target_properties(reaper_murivo PROPERTIES PREFIX "" OUTPUT_NAME reaper_murivo
                                               RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The resource scripts include headers by their layer path, as the sources do.
target_include_directories(reaper_murivo PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(reaper_murivo PRIVATE ${MURIVO_SYSTEM_LIBS})
# Stripped: what users get carries no symbols or the runtime's debug sections.
target_link_options(reaper_murivo PRIVATE ${MURIVO_STATIC_LINK} -s)

# GoogleTest from Debian's source package, built with the same cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(sim)
add_subdirectory(tests/win)
# The release scripts/dist makes from this tree's DLL: host package, index, icons, same bytes twice.
add_test(NAME dist_packages COMMAND ${CMAKE_SOURCE_DIR}/tests/dist/check-packages ${CMAKE_BINARY_DIR})
set_tests_properties(dist_packages PROPERTIES TIMEOUT 300)
add_subdirectory(bench/win)
