#pragma once
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/module/IOvkModule.h"
#include "core/module/IOvkModulePlayer.h"
#include "gui/document/CSongPlayback.h"
#include "gui/document/CUndoHistory.h"
#include "gui/document/EditorPanes.h"
#include "morvane/api/CRef.h"
#include "morvane/devices/IDevice.h"

class QObject;

namespace ovk {

class COvkDoc;

// The one editor-wide state: the song and its players, the audio device, the
// cursor (channel, order position, row), the mute flags, the undo history,
// and the panes, which talk to one another only through it. Made on the GUI
// thread after the framework is open; every operation runs on the GUI thread.
// The playback monitor's notifications reach the panes through queued calls
// on the GUI thread.
class CEditorState {
public:
    CEditorState();
    ~CEditorState();
    CEditorState(const CEditorState&) = delete;
    CEditorState& operator=(const CEditorState&) = delete;

    // Cursor moves: clamped; the panes that show them follow.
    void SelectChannel(int channel);
    void SelectPosition(int position);
    void SelectRow(int row);
    // The pattern pane reads its patterns again.
    void RefreshPattern();
    // After a new or loaded song: stops playback, puts the cursor at channel 0,
    // position 0, row 0, makes every pane read the song again and clears the
    // document's modified flag.
    void RefreshAll();

    // Sounds one note (1-254) through channel's instrument on the preview
    // player: the note for eight rows, then its release.
    void PreviewNote(int channel, std::uint32_t note);

    // A snapshot of the note data before an edit (none when it equals the
    // newest); Undo puts the newest back, Redo what the last Undo replaced.
    // Returns whether a snapshot was added.
    bool PushUndo();
    // The same before an edit of a channel's instrument: the snapshot also
    // holds that channel's whole record.
    bool PushInstrumentUndo(int channel);
    void Undo();
    void Redo();

    // Play from the current position, Pattern play (loops its pattern), Stop.
    void Play();
    void PatternPlay();
    void Stop();
    // Enter in the order table and the pattern pane: Stop while playing (or
    // while a playback is still starting), else Play, or Pattern play with Ctrl.
    void PlayOrStop(bool patternPlay);
    bool IsPlaying() const { return m_playback.IsPlaying(); }
    // Playing, or a Play or Pattern play is on its way: what Stop stops.
    bool IsPlayingOrStarting() const { return m_playback.IsPlaying() || m_playback.IsStarting(); }
    // False when there is no audio output (no plug-in): playing does nothing.
    bool CanPlay() const { return static_cast<bool>(audioDevice); }

    // Plays from now on through another (open) audio device: the preview is
    // made again on it, and later playbacks use it. For measurements.
    void UseAudioDevice(morvane::CRef<morvane::IAudioDevice> device);

    // Mutes or unmutes a channel; while playing the player hears of it at once.
    void SetChannelEnabled(int channel, bool enabled);
    bool ChannelEnabled(int channel) const { return channelEnabled[channel].load() != 0; }

    // count history samples of channel (0-7, or -1 for the mix) up to the
    // time being heard; false (and nothing copied) when not playing.
    bool HistoryAtPlayTime(int channel, std::int32_t* destination, unsigned int count);
    // The loudest of the 2048 newest samples at the time being heard, 0-32767;
    // 0 when not playing.
    int LevelAtPlayTime(int channel);

    // The control of the current song playback (a do-nothing control before
    // the first one).
    morvane::CRef<morvane::IMediaControl> SongControl() const;

    // Fields, as the panes use them.
    morvane::CRef<morvane::IAudioDevice> audioDevice;  // empty without an audio plug-in
    morvane::CRef<IOvkModulePlayer> songPlayer;
    morvane::CRef<IOvkModule> song;
    morvane::CRef<morvane::IMediaControl> previewControl;
    morvane::CRef<IOvkModulePlayer> previewPlayer;
    morvane::CRef<IOvkModule> previewSong;
    COvkDoc* document = nullptr;
    IOrderTablePane* orderTable = nullptr;
    IPatternPane* pattern = nullptr;
    IPlaybackListener* oscBar = nullptr;
    ISongValuesPane* mixer = nullptr;
    ISongValuesPane* master = nullptr;
    IPlaybackListener* timeCounter = nullptr;
    std::array<std::atomic<std::uint8_t>, 8> channelEnabled;
    std::uint8_t patternMode = 0;
    int channel = 0;
    int position = 0;
    int row = 0;
    IChannelListPane* oscillatorList = nullptr;
    IChannelListPane* effectList = nullptr;
    ISongValuesPane* bpm = nullptr;
    CUndoHistory undo;

    // Why the editor cannot play, or empty; shown once by the main window.
    QString audioProblem;

private:
    void StartPlayback(bool patternPlay);
    void Post(const TPlaybackEvent& event);
    void Deliver(const TPlaybackEvent& event);
    void Restore(const TUndoSnapshot& snapshot);
    TUndoSnapshot CurrentSnapshot(int instrumentChannel = -1);
    // Redo holds only while the song is as the last undo or redo left it.
    bool RedoStillValid();
    void OpenAudio();
    void PreparePreview();
    void OpenPreviewControl();
    void TimeCounterToCursor();

    // Lives on the GUI thread: the monitor's notifications are queued to it.
    std::unique_ptr<QObject> m_gui;
    std::atomic<bool> m_tickQueued{false};
    std::uint32_t m_restoredAt = 0;  // the song's change count after the last undo or redo
    CSongPlayback m_playback;
};

// The editor's state, published at start-up (null before and after).
CEditorState* EditorState();

} // namespace ovk
