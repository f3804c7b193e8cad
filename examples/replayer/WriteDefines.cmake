# cmake -DEXPORT=OvkSongData.cpp -DDEFINES=OvkSongDataDefines.h -P WriteDefines.cmake
# Writes the defines file that an export asks for: its lines from
# "#ifndef OVKSONGDATADEFINES_H" to "#endif".
file(READ "${EXPORT}" text)
string(REGEX MATCH "#ifndef OVKSONGDATADEFINES_H[^#]*(#define[^#]*)*#endif" defines "${text}")
if(NOT defines)
  message(FATAL_ERROR "${EXPORT} has no defines block")
endif()
file(WRITE "${DEFINES}" "${defines}\r\n")
