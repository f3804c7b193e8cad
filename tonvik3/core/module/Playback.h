#pragma once

namespace morvane {
class IMediaControl;
}

namespace ovk {

class IOvkModulePlayer;

// Starts control, which renders player, at the first sample of row (rows
// counted from the start of the song: order position × 16 + row in pattern),
// so that every sample of the song from there on reaches the output.
//
// A seek of the control by time cannot do this: the player's RowToTime adds
// 0.1 ms so that TimeToRow gives the row back, which the seek truncates to 4
// samples into the row; the player starts the row again there, and the song
// ends 4 samples early. (Nor can a single-precision time name every sample of
// a song longer than about four minutes.) So the control is stopped, which
// rewinds it, and the player itself is sought: a stopped buffer takes the
// stream from where its source stands. That holds for every Play of a
// streaming buffer (modes 2 to 4, as the editor and tonvik3-cli play use)
// and for the first Play of a whole one (modes 0 and 1).
void PlayFromRow(morvane::IMediaControl& control, IOvkModulePlayer& player, unsigned int row);

} // namespace ovk
