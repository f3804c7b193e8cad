#include "gui/app/KeyReference.h"

namespace ovk {

const char* const kPatternEditorKeys = "Pattern editor";
const char* const kOrderTableKeys = "Order table";
const char* const kEverywhereKeys = "Everywhere";
const char* const kMouseGestures = "Mouse";

namespace {

// Keys are written as the menus write them ("Ctrl+Shift+Z"); several keys
// doing the same are separated by commas.
const TKeyReference kReference[] = {
    {kPatternEditorKeys, "Z S X D C V G B H N J M", "notes C to B an octave below the keyboard octave (keys by their place, whatever the layout)"},
    {kPatternEditorKeys, "Q 2 W 3 E R 5 T 6 Y 7 U", "notes C to B of the keyboard octave"},
    {kPatternEditorKeys, "I 9 O 0 P", "notes C to E an octave above"},
    {kPatternEditorKeys, "the key left of Z, Caps Lock", "note off"},
    {kPatternEditorKeys, "F1-F8", "keyboard octave 1-8"},
    {kPatternEditorKeys, "Up, Down", "cursor one row up, down"},
    {kPatternEditorKeys, "Left, Right", "cursor one channel left, right"},
    {kPatternEditorKeys, "Page Up, Home", "cursor to row 0"},
    {kPatternEditorKeys, "Page Down, End", "cursor to row 15"},
    {kPatternEditorKeys, "Ctrl+Up, Ctrl+Down", "order position one up, down"},
    {kPatternEditorKeys, "Insert", "insert an empty row at the cursor in this channel (row 15 is lost)"},
    {kPatternEditorKeys, "Shift+Insert", "insert an empty row in all channels"},
    {kPatternEditorKeys, "Backspace", "delete the row above the cursor in this channel"},
    {kPatternEditorKeys, "Shift+Backspace", "delete the row above the cursor in all channels"},
    {kPatternEditorKeys, "Delete", "clear the cursor's cell, or the selected block"},
    {kPatternEditorKeys, "+, -", "this channel's pattern at this position one up, down (no undo step)"},
    {kPatternEditorKeys, "Enter", "play the song from this position; stop while playing"},
    {kPatternEditorKeys, "Ctrl+Enter", "pattern play (this position over and over); stop while playing"},
    {kPatternEditorKeys, "Tab", "to the order table"},

    {kOrderTableKeys, "0-9, A-F", "this channel's pattern at this position (0: none), then down one"},
    {kOrderTableKeys, "+, -", "the pattern number one up, down"},
    {kOrderTableKeys, "Up, Down", "cursor one position up, down"},
    {kOrderTableKeys, "Left, Right", "cursor one channel left, right"},
    {kOrderTableKeys, "Page Up, Page Down", "cursor 16 positions up, down"},
    {kOrderTableKeys, "Home", "cursor to position 0"},
    {kOrderTableKeys, "End", "cursor to the song's last position"},
    {kOrderTableKeys, "Insert", "insert an empty position at the cursor in this channel (position 255 is lost)"},
    {kOrderTableKeys, "Shift+Insert", "insert an empty position in all channels"},
    {kOrderTableKeys, "Backspace", "delete the position above the cursor in this channel"},
    {kOrderTableKeys, "Shift+Backspace", "delete the position above the cursor in all channels"},
    {kOrderTableKeys, "Delete", "clear the cursor's entry, or the selected block"},
    {kOrderTableKeys, "Enter", "play the song from this position; stop while playing"},
    {kOrderTableKeys, "Ctrl+Enter", "pattern play (this position over and over); stop while playing"},
    {kOrderTableKeys, "Tab", "to the pattern editor"},

    {kEverywhereKeys, "Ctrl+N", "new song"},
    {kEverywhereKeys, "Ctrl+O", "open a song"},
    {kEverywhereKeys, "Ctrl+S", "save the song"},
    {kEverywhereKeys, "Ctrl+Z", "undo an edit of notes or instruments"},
    {kEverywhereKeys, "Ctrl+Y, Ctrl+Shift+Z", "redo"},
    {kEverywhereKeys, "Ctrl+X, Ctrl+C, Ctrl+V", "cut, copy, paste a block of the pane that has the keyboard"},
    {kEverywhereKeys, "Ctrl+Q", "quit"},

    {kMouseGestures, "click on a cell", "cursor there; the pattern editor or order table takes the keyboard"},
    {kMouseGestures, "drag from a cell", "select a block (the order table scrolls beyond its top or bottom)"},
    {kMouseGestures, "drag the selection (a block, or the cursor's cell)", "move it, kept whole on the grid"},
    {kMouseGestures, "wheel over the order table", "scroll"},
    {kMouseGestures, "click on a scope", "mute or unmute the channel"},
    {kMouseGestures, "right click on a scope", "solo the channel; again: all channels on"},
    {kMouseGestures, "press or drag on a fader", "channel volume"},
    {kMouseGestures, "click on the tempo, a pitch or a delay length", "type a value; Enter or Escape takes it and the keyboard goes back to the pane"},
    {kMouseGestures, "double click on an oscillator's wave", "next wave type; right click: choose it"},
    {kMouseGestures, "click on any other control", "acts on it; the keyboard stays in the pane"},
};

} // namespace

std::span<const TKeyReference> KeyReference() { return kReference; }

} // namespace ovk
