#pragma once
#include <cstdint>

namespace ovk {

// What the panes offer the editor-wide state. Each pane registers itself in
// CEditorState when it is made and removes itself when it goes; the state
// calls these on the GUI thread only.

// The three playback notifications.
class IPlaybackListener {
public:
    // An absolute row (order position × 16 + row), an order position or, for
    // 0xFFFF, "no play position", depending on the pane.
    virtual void OnPlayPosition(int value) { (void)value; }
    virtual void OnPlayTick() {}
    virtual void OnPlayStopped() {}

protected:
    ~IPlaybackListener() = default;
};

// A pane that takes the Edit menu's Cut, Copy and Paste while it has the focus.
class IClipboardPane {
public:
    virtual bool HasKeyboardFocus() const = 0;
    virtual void Cut() = 0;
    virtual void Copy() = 0;
    virtual void Paste() = 0;

protected:
    ~IClipboardPane() = default;
};

// The order table: its cursor is the editor's position and channel.
class IOrderTablePane : public IPlaybackListener, public IClipboardPane {
public:
    virtual void ShowCursor(int position, int channel) = 0;
    // Reads the whole table from the song again and redraws.
    virtual void Reload() = 0;
    virtual void TakeFocus() = 0;
    // Stores a pattern number (0-15) under a write lock, which may be nested
    // in the caller's, with no undo snapshot of its own; the pattern pane
    // shows it at once. The pattern pane assigns empty patterns with it.
    virtual void SetEntry(int position, int channel, std::uint32_t pattern) = 0;
    // "+" and "-": the entry at the cursor one up (at most 15) or down (at
    // least 0); with an undo snapshot first only when asked.
    virtual void StepEntry(int delta, bool snapshot) = 0;

protected:
    ~IOrderTablePane() = default;
};

// The pattern editor: the eight patterns of the current order position.
class IPatternPane : public IPlaybackListener, public IClipboardPane {
public:
    virtual void ShowChannel(int channel) = 0;
    virtual void SetCursorRow(int row) = 0;
    // Reads the shown patterns (and which ones the channels have) again.
    virtual void ReloadPattern() = 0;
    // A note played on a MIDI keyboard (0-127), entered as a typed note.
    virtual void EnterMidiNote(int midiNote) = 0;
    virtual void TakeFocus() = 0;

protected:
    ~IPatternPane() = default;
};

// The mixer, the master volume and the tempo: they show values of the song
// and read them again when the song changed under them.
class ISongValuesPane : public IPlaybackListener {
public:
    virtual void Reload() = 0;

protected:
    ~ISongValuesPane() = default;
};

// The oscillator and effect lists of the side pane: they show one channel's
// instrument.
class IChannelListPane {
public:
    virtual void ShowChannel(int channel) = 0;
    // Rebuilds the rows from the song for the current channel.
    virtual void Reload() = 0;

protected:
    ~IChannelListPane() = default;
};

} // namespace ovk
