# The data of the builds that carry their own (the browser page, the Windows
# game): the desktop game's pictures and music byte for byte, each piece's
# recording beside it (no FluidSynth there; the native qm_midirender,
# QM_MIDIRENDER, records it through the game's own mixer), and the two IPA
# faces cut down to the glyphs the game draws, renamed as their licence asks,
# with the list of those glyphs (fonts/glyphs.txt).
set(QM_MIDIRENDER "" CACHE FILEPATH "The native qm_midirender, to record the music")
if(NOT EXISTS "${QM_MIDIRENDER}")
  message(FATAL_ERROR "QM_MIDIRENDER must name the native qm_midirender (make web and make windows set it)")
endif()
find_program(QM_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

# qm_game_data(TARGET DIR): the target that fills DIR; TARGET_FILES lists what it makes.
function(qm_game_data target data)
  file(GLOB images CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/image/*.bmp)
  file(GLOB pieces CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bgm/*.mid)
  set(data_files "")
  foreach(f ${images} ${pieces})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${f})
    add_custom_command(OUTPUT ${data}/${rel} DEPENDS ${f}
                       COMMAND ${CMAKE_COMMAND} -E copy ${f} ${data}/${rel})
    list(APPEND data_files ${data}/${rel})
  endforeach()
  foreach(f ${pieces})
    get_filename_component(name ${f} NAME_WE)
    add_custom_command(OUTPUT ${data}/bgm/${name}.ogg DEPENDS ${f} ${QM_MIDIRENDER}
                       COMMAND ${QM_MIDIRENDER} ${f} --ogg ${data}/bgm/${name}.ogg
                       COMMENT "Recording bgm/${name}.mid")
    list(APPEND data_files ${data}/bgm/${name}.ogg)
  endforeach()
  file(GLOB_RECURSE game_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/*.cpp ${CMAKE_SOURCE_DIR}/*.h)
  list(FILTER game_sources EXCLUDE REGEX "/(tests|tools|bench|fuzz|build[^/]*)/")
  set(font_script ${CMAKE_SOURCE_DIR}/tools/web/subset_fonts.py)
  add_custom_command(OUTPUT ${data}/fonts/qm-mincho.ttf ${data}/fonts/qm-gothic.ttf ${data}/fonts/glyphs.txt
                     DEPENDS ${font_script} ${game_sources}
                     COMMAND ${QM_SYSTEM_PYTHON} ${font_script} --sources ${CMAKE_SOURCE_DIR}
                             --out ${data}/fonts
                     COMMENT "Cutting the fonts down to the game's glyphs")
  list(APPEND data_files ${data}/fonts/qm-mincho.ttf ${data}/fonts/qm-gothic.ttf ${data}/fonts/glyphs.txt)
  add_custom_target(${target} DEPENDS ${data_files})
  set(${target}_FILES ${data_files} PARENT_SCOPE)
endfunction()
