#pragma once
#include "core/song/COvkModuleChannel.h"

// The instruments of the demo songs, built from the song data API. Each is a
// whole channel: its volume, its channel envelope, its oscillators and effects.
namespace demo {

ovk::COvkModuleChannel Kick();        // sine with a falling pitch, overdriven
ovk::COvkModuleChannel Snare();       // noise and a short sine body, high-passed
ovk::COvkModuleChannel HiHat();       // short noise burst, strongly high-passed
ovk::COvkModuleChannel AcidBass();    // saw through a resonant filter that closes on every note
ovk::COvkModuleChannel FmLead();      // sine frequency-modulated by a sine an octave up, echoed
ovk::COvkModuleChannel PowerPad();    // root, fifth and octave saws, flanged, filter moving per pattern
ovk::COvkModuleChannel SquareArp();   // short square plucks with an echo
ovk::COvkModuleChannel NoiseRiser();  // noise swelling over four patterns, filter opening over two
ovk::COvkModuleChannel FmBell();      // sine modulated at a bell-like ratio, long decay
ovk::COvkModuleChannel SoftBass();    // sine and its octave, low-passed
ovk::COvkModuleChannel Brush();       // soft noise swishes
ovk::COvkModuleChannel GritLead();    // square and saw, overdriven and resonant

} // namespace demo
