# tonvik3_add_song(TARGET SONG.tonvik) builds a tonvik3 song into the program
# (or library) TARGET: at build time, and again whenever the song file changes,
# tonvik3-cli exports it as C tables (OvkSongData.cpp and OvkSongDataDefines.h);
# TARGET gets those tables, the replayer (OvkReplayer.cpp), both include folders
# and the C math library. The program then plays the song through OvkReplayer.h:
# OvkReplayerInit(), OvkReplayerLength(), OvkReplayerRender(out, count).
#
# Two lines in a project's CMakeLists.txt:
#   include(path/to/Tonvik3Song.cmake)
#   tonvik3_add_song(my_intro music/song.tonvik)
#
# tonvik3-cli is the target of that name when the project builds it, else the
# program TONVIK3_CLI (found on the PATH by default). The replayer's sources are
# in TONVIK3_REPLAYER_DIR, by default the replayer folder of the tonvik3 sources
# or installation that this file belongs to.
set(_TONVIK3_SONG_DIR ${CMAKE_CURRENT_LIST_DIR})

function(tonvik3_add_song target song)
  get_filename_component(song "${song}" ABSOLUTE)
  if(NOT TONVIK3_REPLAYER_DIR)
    # In the sources: examples/replayer/ beside replayer/; installed: cmake/ beside replayer/.
    foreach(dir ${_TONVIK3_SONG_DIR}/../../replayer ${_TONVIK3_SONG_DIR}/../replayer)
      if(NOT TONVIK3_REPLAYER_DIR AND EXISTS ${dir}/OvkReplayer.cpp)
        get_filename_component(TONVIK3_REPLAYER_DIR ${dir} ABSOLUTE)
      endif()
    endforeach()
    if(NOT TONVIK3_REPLAYER_DIR)
      message(FATAL_ERROR "tonvik3_add_song: no replayer beside ${_TONVIK3_SONG_DIR}; set TONVIK3_REPLAYER_DIR")
    endif()
  endif()
  if(TARGET tonvik3-cli)
    set(cli $<TARGET_FILE:tonvik3-cli>)
    set(cli_target tonvik3-cli)
  else()
    find_program(TONVIK3_CLI tonvik3-cli REQUIRED)
    set(cli ${TONVIK3_CLI})
    set(cli_target)
  endif()

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_song)
  add_custom_command(OUTPUT ${dir}/OvkSongData.cpp ${dir}/OvkSongDataDefines.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${cli} export-c ${song} ${dir}/OvkSongData.cpp --defines ${dir}/OvkSongDataDefines.h
    DEPENDS ${song} ${cli_target}
    COMMENT "Exporting ${song} for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${TONVIK3_REPLAYER_DIR}/OvkReplayer.cpp ${dir}/OvkSongData.cpp)
  target_include_directories(${target} PRIVATE ${TONVIK3_REPLAYER_DIR} ${dir})
  if(UNIX)
    target_link_libraries(${target} PRIVATE m)
  endif()
endfunction()
