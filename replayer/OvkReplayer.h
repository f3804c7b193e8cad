// Plays a song exported by tonvik3 (OvkSongData.cpp and its OvkSongDataDefines.h)
// inside another program: 16-bit mono samples at 44100 Hz, the same samples the
// editor renders.
//
// Build: c++ -I replayer -I SONGDIR replayer/OvkReplayer.cpp SONGDIR/OvkSongData.cpp main.cpp
//
// No heap, no exceptions, no C++ library; the C math library is called by
// OvkReplayerInit only. Delay and flange lines share one static pool of
// OVKSONG_LINEPOOLSIZE ints (zero-initialised, so it costs no file bytes);
// by default it holds the longest delay the editor offers (32 rows) for every
// effect of the song. Define it yourself (on the command line, or in
// OvkSongDataDefines.h) for a smaller or larger pool. An effect whose line does
// not fit in what is left of the pool passes its input unchanged.
#ifndef OVKREPLAYER_H
#define OVKREPLAYER_H

// Prepares the song and puts the play position at its start. Call it again to
// play the song from the start once more.
void OvkReplayerInit();

// The song's length in samples.
unsigned int OvkReplayerLength();

// The next count samples. After the end of the song the samples are 0. Any
// split of the song into calls gives the same samples.
void OvkReplayerRender(short* out, unsigned int count);

#endif
