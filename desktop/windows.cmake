# The Windows game (make windows): quillmoor.exe with what it reads beside
# it, packed as quillmoor-VERSION-win64.zip: one folder that a player unpacks
# anywhere and plays from, nothing to install. Its data is the page's
# (cmake/game-data.cmake): no FluidSynth or fontconfig on Windows either.
set(name quillmoor-${PROJECT_VERSION}-win64)
set(stage ${CMAKE_BINARY_DIR}/${name})

include(${CMAKE_SOURCE_DIR}/cmake/game-data.cmake)

# The .exe's icon, made from the desktop's pictures, and its version.
enable_language(RC)
set(icons ${CMAKE_SOURCE_DIR}/desktop/quillmoor-32.png ${CMAKE_SOURCE_DIR}/desktop/quillmoor-64.png
    ${CMAKE_SOURCE_DIR}/desktop/quillmoor-128.png)
set(ICON ${CMAKE_BINARY_DIR}/quillmoor.ico)
add_custom_command(OUTPUT ${ICON} DEPENDS ${CMAKE_SOURCE_DIR}/desktop/windows/icon.py ${icons}
  COMMAND ${QM_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/desktop/windows/icon.py ${ICON} ${icons})
configure_file(${CMAKE_SOURCE_DIR}/desktop/windows/quillmoor.rc.in ${CMAKE_BINARY_DIR}/quillmoor.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/quillmoor.rc PROPERTIES OBJECT_DEPENDS ${ICON})

# SDL's WinMain hands main the command line in UTF-8.
add_executable(quillmoor WIN32 ${CMAKE_SOURCE_DIR}/apps/quillmoor/main.cpp ${CMAKE_BINARY_DIR}/quillmoor.rc)
target_link_libraries(quillmoor PRIVATE SDL2::SDL2main)
qm_link(quillmoor ${QM_CORE_LIBS} qm_backend_sdl)

qm_game_data(quillmoor_windows_data ${stage})

# The text files in Windows' own line ends, so that any editor shows them.
set(texts ${stage}/README.txt ${stage}/LICENSE.txt ${stage}/licences/ipa-font-licence.txt
    ${stage}/licences/timgm6mb-soundfont.txt ${stage}/licences/font-glyphs.txt ${stage}/licences/sdl2.txt
    ${stage}/licences/freetype.txt ${stage}/licences/libpng.txt ${stage}/licences/zlib.txt ${stage}/licences/mingw-w64.txt)
add_custom_command(OUTPUT ${texts}
  DEPENDS ${CMAKE_SOURCE_DIR}/desktop/windows/README.txt ${CMAKE_SOURCE_DIR}/LICENSE quillmoor_windows_data
  COMMAND ${CMAKE_COMMAND} -DOUT=${stage} -DSOURCE=${CMAKE_SOURCE_DIR} -DVERSION=${PROJECT_VERSION}
          -P ${CMAKE_SOURCE_DIR}/desktop/windows/texts.cmake)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name}.zip
  DEPENDS quillmoor quillmoor_windows_data ${texts}
  COMMAND ${CMAKE_STRIP} -o ${stage}/quillmoor.exe $<TARGET_FILE:quillmoor>
  COMMAND ${CMAKE_COMMAND} -E rm -f ${name}.zip
  COMMAND ${CMAKE_COMMAND} -E tar cf ${name}.zip --format=zip ${name}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Packing ${name}.zip")
add_custom_target(windows_zip ALL DEPENDS ${CMAKE_BINARY_DIR}/${name}.zip)

# The files layer's test, run under wine by make test-windows, with the test
# framework built from Debian's own source of it (googletest).
set(gtest /usr/src/googletest/googletest)
add_library(qm_gtest_main STATIC EXCLUDE_FROM_ALL ${gtest}/src/gtest-all.cc ${gtest}/src/gtest_main.cc)
target_include_directories(qm_gtest_main SYSTEM PUBLIC ${gtest}/include PRIVATE ${gtest})
add_executable(test_files EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/files/files_test.cpp)
target_link_libraries(test_files PRIVATE qm_gtest_main qm_platform_files)

# A frame's cost under Windows (make bench-windows): the yardstick and the
# frame's benchmarks on the headless backend, where Google Benchmark was
# built for Windows too (scripts/cross-libs windows --bench).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(quillmoor_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_baseline.cpp
                 ${CMAKE_SOURCE_DIR}/bench/bench_frame.cpp)
  target_link_libraries(quillmoor_bench PRIVATE benchmark::benchmark)
  qm_link(quillmoor_bench qm_headless ${QM_CORE_LIBS} qm_backend_sim)
  target_compile_definitions(quillmoor_bench PRIVATE QM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
