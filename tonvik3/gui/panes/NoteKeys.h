#pragma once
#include <cstdint>

class QKeyEvent;

namespace ovk {

// The computer keyboard as a piano. The note keys are places on the
// keyboard, not characters: Z S X D C V G B H N J M are C to B an octave
// below the keyboard octave, Q 2 W 3 E R 5 T 6 Y 7 U C to B of it, and
// I 9 O 0 P C to E above, wherever a layout puts its letters. The place
// comes from the key's native scan code (on X11 and Wayland the evdev code
// + 8); events without one (synthesised ones) fall back to the characters.
// The note-off keys are the one between left Shift and Z, and Caps Lock.
namespace notekeys {

constexpr std::uint32_t kNoteOff = 255;

// The semitone offset of a note key (0 for the lower row's C, 12 for the
// upper row's, up to 28), or -1 for a key that plays no note.
int OffsetOf(const QKeyEvent& event);
bool IsNoteOff(const QKeyEvent& event);
// The value a note key writes with the keyboard octave 1-8: 12·octave − 11 + offset.
inline std::uint32_t NoteValue(int offset, int octave) { return static_cast<std::uint32_t>(12 * octave - 11 + offset); }

// The scan codes of the key places (X keycodes), for tests and the fallback.
int ScanCodeOfOffset(int offset);
constexpr int kScanLessGreater = 94;
constexpr int kScanCapsLock = 66;

} // namespace notekeys

// A note's name: "C-0" … "B-9" for 1-120 (and on, "C-10" …, for the values
// above, which only a file can hold), "off" for 255, "" for 0, "???" beyond.
const char* NoteName(std::uint32_t value, char (&buffer)[8]);

} // namespace ovk
