#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ovk {

// A MIDI keyboard: its input ports and the notes played on the open one. The
// editor uses the ALSA sequencer (MakeMidiInput); tests use their own.
class IMidiInput {
public:
    // Called with the note number 0-127 of every note-on, on any thread.
    using TNoteHandler = std::function<void(int note)>;

    virtual ~IMidiInput() = default;
    // False when the machine has no MIDI system (no sequencer device).
    virtual bool Available() const = 0;
    // Why it is not available, to show.
    virtual std::string Problem() const = 0;
    virtual std::vector<std::string> Ports() = 0;
    // Opens a port by name (closing the one before); false when it is gone.
    virtual bool Open(const std::string& port) = 0;
    virtual void Close() = 0;
    virtual std::string OpenPort() const = 0;
    virtual void SetNoteHandler(TNoteHandler handler) = 0;
};

// MIDI input through RtMidi on the ALSA sequencer; never fails to be made.
std::unique_ptr<IMidiInput> MakeMidiInput();

// The note of a MIDI message when it is a note-on (velocity above 0), else -1.
int NoteOnOf(const unsigned char* bytes, std::size_t count);

} // namespace ovk
