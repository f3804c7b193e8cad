# cmake -DCLI=tonvik3-cli -DSONG=song.tonvik -DDIR=folder -P ExportSong.cmake
# Writes into DIR the song's export (OvkSongData.cpp, OvkSongDataDefines.h),
# what export-c says the replayer plays differently (departures.txt) and the
# editor's render (editor.wav).
file(MAKE_DIRECTORY "${DIR}")
execute_process(COMMAND "${CLI}" export-c "${SONG}" "${DIR}/OvkSongData.cpp" --defines "${DIR}/OvkSongDataDefines.h"
  ERROR_FILE "${DIR}/departures.txt" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tonvik3-cli export-c ${SONG} failed")
endif()
execute_process(COMMAND "${CLI}" render "${SONG}" "${DIR}/editor.wav" OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tonvik3-cli render ${SONG} failed")
endif()
