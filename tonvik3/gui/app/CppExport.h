#pragma once
#include <QString>

class QWidget;

namespace ovk {

class CEditorState;

// Export > C++: writes the song's C tables as OvkSongData.cpp into a folder
// of this editor's own that only the user can read, and opens the file with
// the desktop's default application. Returns the file's path (empty after a
// failure, which has been shown as "Failed to export").
QString ExportCppSource(CEditorState& state, QWidget* parent);
// Export > C++ as...: the same text into a file the user chooses.
bool ExportCppSourceAs(CEditorState& state, QWidget* parent);

// The folder of the exports of this run of the editor, made on first use
// (mode 0700, in the temporary folder); empty when it cannot be made.
QString ExportFolder();

} // namespace ovk
